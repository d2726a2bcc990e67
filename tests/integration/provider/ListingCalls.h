// The listing calls (folder and class children, folder users, name searches, the namespace's
// root folder) the provider has made on the access library in this process so far.
#pragma once

int ListingCalls();
