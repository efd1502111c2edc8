// The words for the last failed call on a Kelm object: kelmapi/tooling.h
// declares them for clients in this process; inside, by the core's name.
#pragma once

#include "kelmapi/tooling.h"

namespace kelm {

using kelmapi::LastFailureDescription;

}  // namespace kelm
