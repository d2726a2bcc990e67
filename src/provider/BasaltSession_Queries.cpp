// The directory object retrieval of a session: a search inside a signed-on user's session.
#include "BasaltSession.h"

#include "ProviderErrors.h"
#include "ProviderMessages.h"

#include <PYXThrowable.h>
#include <VOR_AAA_AdditionalInfo.h>
#include <VOR_AAA_QueryResponse.h>

bool BasaltSession::QueryObjectProperties(VOR_AAA_QueryDoc& /*query*/,
                                          const VOR_AAA_AdditionalInfo& /*additionalInfo*/,
                                          VOR_AAA_QueryResponse& /*response*/,
                                          int32_t& /*result*/) {
    PYX_THROW(UnrecoverableError(
                  ProviderMessage(kMsgAuthUnrecoverable),
                  {ProviderMessage(kMsgDetailLine, {"Searching inside a user's directory session "
                                                    "is not available in this build"})}),
              "BasaltSession::QueryObjectProperties");
}
