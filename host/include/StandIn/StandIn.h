#pragma once
// Everything that drives the stand-in host (not part of the host's API; an
// add-in never includes it).

#include <StandIn/AddinEntry.h>
#include <StandIn/DesignData.h>
#include <StandIn/DesignError.h>
#include <StandIn/DesignLoader.h>
#include <StandIn/HostControl.h>
#include <StandIn/UiControl.h>
