#pragma once
// Everything that drives the stand-in host (not part of the host's API; an
// add-in never includes it).

#include "AddinEntry.h"
#include "DesignData.h"
#include "DesignError.h"
#include "DesignLoader.h"
#include "HostControl.h"
#include "UiControl.h"
