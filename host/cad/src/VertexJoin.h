#pragma once
// Joining a mesh's identical vertices with exactly the result of Assimp's
// aiProcess_JoinIdenticalVertices step, at a fraction of its cost.
//
// The step copies every vertex into a 272-byte record, once into a list and
// once more into a hash map node: on a million-triangle STL that is 1.4 GB
// and seconds, and it joins nothing there (each triangle has a normal of its
// own). Here the same hash map is kept as two arrays of vertex numbers.
//
// The same result to the bit, because the step's matching is not plain
// equality: it hashes the position and takes a vertex for equal when
// position, normal, first texture coordinates, tangent and bitangent each
// lie within 1e-5 of it, comparing it with the vertices kept so far in its
// hash bucket, newest first. Close vertices whose hashes share a bucket are
// joined too, so the bucket count (libstdc++'s choice for a map reserved for
// every vertex) and the order are part of the result and are kept here.

#include <assimp/scene.h>

namespace standin::host::cad {

/// Whether joinIdenticalVertices gives Assimp's result on every mesh of the
/// scene: not on meshes with bones or animation meshes, whose weights and
/// morph targets the step renumbers too (let Assimp's step join those).
bool joinsLikeAssimp(const aiScene& scene);

/// Joins the vertices Assimp's step would join and drops the ones no face
/// uses, renumbering the faces; leaves a mesh that it would not change as it
/// is, arrays and all. A mesh with a face index out of range is left alone.
void joinIdenticalVertices(aiMesh& mesh);

} // namespace standin::host::cad
