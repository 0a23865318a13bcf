#pragma once
// Everything of adsk::core. Add-ins include this (and Fusion/FusionAll.h).

#include <Core/Export.h>
#include <Core/Memory.h>
#include <Core/Base.h>
#include <Core/Forward.h>
#include <Core/Enums.h>
#include <Core/Application.h>
#include <Core/Preferences.h>
#include <Core/UserInterface.h>
#include <Core/CommandDefinitions.h>
#include <Core/Toolbars.h>
#include <Core/Workspaces.h>
#include <Core/Command.h>
#include <Core/Events.h>
#include <Core/FileDialog.h>
#include <Core/Document.h>
#include <Core/Geometry.h>
#include <Core/Viewport.h>
#include <Core/Appearance.h>
#include <Core/Properties.h>
