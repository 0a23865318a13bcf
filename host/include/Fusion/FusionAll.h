#pragma once
// Everything of adsk::fusion (and of adsk::core, which it builds on).

#include <Core/CoreAll.h>
#include "BRep.h"
#include "Component.h"
#include "Design.h"
#include "Forward.h"
#include "Mesh.h"
