// The listing calls (folder and class children, folder users, name searches, the namespace's
// root folder) the provider has made on the access library in this process so far.
#pragma once

int ListingCalls();

// The next folder users listing waits, once it has begun, until ReleaseUsersListing: the
// session that asked for it stays busy meanwhile.
void HoldNextUsersListing();
void WaitUntilUsersListingHeld();
void ReleaseUsersListing();
