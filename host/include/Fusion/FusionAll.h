#pragma once
// Everything of adsk::fusion (and of adsk::core, which it builds on).

#include <Core/CoreAll.h>
#include <Fusion/Forward.h>
#include <Fusion/Design.h>
#include <Fusion/Component.h>
#include <Fusion/BRep.h>
#include <Fusion/Mesh.h>
