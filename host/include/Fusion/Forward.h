#pragma once
// Declarations of the classes of adsk::fusion, for headers that only name them.

namespace adsk::fusion {

class Design;
class Component;
class PhysicalProperties;
class Occurrences;
class Occurrence;
class BRepBodies;
class BRepBody;
class BRepFaces;
class BRepFace;
class MeshManager;
class TriangleMeshList;
class TriangleMesh;

} // namespace adsk::fusion
