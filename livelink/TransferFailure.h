#pragma once
// Why a transfer that RayDeck did not confirm was lost. The live library's
// disconnect() only answers whether RayDeck confirmed the transfer; before
// the library is unloaded, its query interface can still tell the three
// cases apart that matter to the user:
//
//   it can be attached                it runs and answers, so it was RayDeck
//                                     that turned the transfer down
//   it cannot, and is no longer       it ended (crashed, was killed): the
//   listed                            connection broke
//   it cannot, but is still listed    it hangs or is busy: it did not
//   after a moment                    answer in time
//
// A transfer to a port of the registered range has no known process; it
// is only reported as not confirmed.

#include "InstanceList.h"

#include <string>

namespace vel::live {

class QueryApi;

// The reason, as the user reads it after "The transfer did not complete. ".
// `query` may be null (no query interface); `instance` is the process the
// transfer went to (empty when none was known), `port` its port. Lists the
// processes of [minVersion, maxVersion], again every kEndingLookMilliseconds
// (on the platform clock) up to kEndingLooks times while the process is still
// among them; attaches and detaches at most once.
inline constexpr int kEndingLooks = 10;
inline constexpr unsigned kEndingLookMilliseconds = 50;
std::string whyTransferFailed(QueryApi* query, const InstanceRecord& instance, int port, int minVersion,
                              int maxVersion);

} // namespace vel::live
