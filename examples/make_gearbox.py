#!/usr/bin/env python3
"""Generates the bundled example design, a small two-stage gearbox, and an
edited state of it.

The assembly is built the way a designer would model it: a base plate held
by four bolts at its corners, an open housing standing on it, two shaft
sub-assemblies (shaft, gear, two bearings) placed with rotations so that
their gears mesh inside the housing, and the housing's cover, hidden. Every
face carries the host's display mesh (node coordinates in centimetres,
normals, texture coordinates, node indices); the design's unit is
millimetres.

The edited state differs in one part only, as after one edit in the CAD
program: the spur gear is 24 mm wide instead of 16 mm. Clicking "Render in
RayDeck 8" on the design and then on the edited state sends every component
first, and then only the gear's two placements with their bodies.

Usage: make_gearbox.py [OUTPUT [EDITED]]
  (default: gearbox.design.json and gearbox-edited.design.json beside this script)
"""

import json
import math
import os
import sys


def face(nodes, normals, uvs, indices, appearance=None):
    return {
        "appearance": appearance,
        "displayMeshes": [{
            "nodeCoordinates": [round(v, 6) for p in nodes for v in p],
            "normalVectors": [round(v, 6) for n in normals for v in n],
            "textureCoordinates": [round(v, 6) for t in uvs for v in t],
            "nodeIndices": indices,
        }],
    }


def box_faces(sx, sy, sz, cx=0.0, cy=0.0, cz=0.0, overrides=None):
    """Six quad faces of an axis-aligned box centred on (cx, cy, cz)."""
    overrides = overrides or {}
    hx, hy, hz = sx / 2, sy / 2, sz / 2
    sides = [
        ((1, 0, 0), (0, 1, 0), (0, 0, 1), hx),
        ((-1, 0, 0), (0, 0, 1), (0, 1, 0), hx),
        ((0, 1, 0), (0, 0, 1), (1, 0, 0), hy),
        ((0, -1, 0), (1, 0, 0), (0, 0, 1), hy),
        ((0, 0, 1), (1, 0, 0), (0, 1, 0), hz),
        ((0, 0, -1), (0, 1, 0), (1, 0, 0), hz),
    ]
    half = {0: hx, 1: hy, 2: hz}
    faces = []
    for k, (n, u, v, d) in enumerate(sides):
        ua = u.index(1)
        va = v.index(1)
        nodes = []
        uvs = []
        for a, b in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
            p = [n[i] * d for i in range(3)]
            p[ua] += a * half[ua]
            p[va] += b * half[va]
            nodes.append((p[0] + cx, p[1] + cy, p[2] + cz))
            uvs.append(((a + 1) / 2, (b + 1) / 2))
        faces.append(face(nodes, [n] * 4, uvs, [0, 1, 2, 0, 2, 3], overrides.get(k)))
    return faces


def cylinder_faces(radius, length, segments, profile=None, base=(0.0, 0.0, 0.0)):
    """Side, top and bottom faces of a cylinder along z, from base to
    base + length.

    profile(angle) scales the radius, which turns the cylinder into a gear."""
    profile = profile or (lambda a: 1.0)
    bx, by, bz = base
    ring = []
    for i in range(segments):
        a = 2 * math.pi * i / segments
        r = radius * profile(a)
        ring.append((bx + r * math.cos(a), by + r * math.sin(a), math.cos(a), math.sin(a)))
    side_nodes, side_normals, side_uvs, side_idx = [], [], [], []
    for i, (x, y, nx, ny) in enumerate(ring):
        side_nodes += [(x, y, bz), (x, y, bz + length)]
        side_normals += [(nx, ny, 0.0), (nx, ny, 0.0)]
        side_uvs += [(i / segments, 0.0), (i / segments, 1.0)]
    for i in range(segments):
        a, b = 2 * i, 2 * ((i + 1) % segments)
        side_idx += [a, b, b + 1, a, b + 1, a + 1]
    faces = [face(side_nodes, side_normals, side_uvs, side_idx)]
    for z, nz in ((bz + length, 1.0), (bz, -1.0)):
        nodes = [(bx, by, z)] + [(x, y, z) for x, y, _, _ in ring]
        uvs = [(0.5, 0.5)] + [(0.5 + 0.5 * nx, 0.5 + 0.5 * ny) for _, _, nx, ny in ring]
        idx = []
        for i in range(segments):
            a, b = 1 + i, 1 + (i + 1) % segments
            idx += [0, a, b] if nz > 0 else [0, b, a]
        faces.append(face(nodes, [(0.0, 0.0, nz)] * len(nodes), uvs, idx))
    return faces


def quad_face(corners, normal, appearance=None):
    """One flat face through four corners in order around it, wound
    counter-clockwise as seen from where the normal points."""
    a, b, c = corners[0], corners[1], corners[2]
    u = [b[i] - a[i] for i in range(3)]
    v = [c[i] - a[i] for i in range(3)]
    n = (u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0])
    if sum(n[i] * normal[i] for i in range(3)) < 0:
        corners = [corners[0], corners[3], corners[2], corners[1]]
    return face(corners, [normal] * 4, [(0, 0), (1, 0), (1, 1), (0, 1)], [0, 1, 2, 0, 2, 3], appearance)


def open_box_faces(sx, sy, sz, wall, rim_appearance=None):
    """A box without a lid, standing on y = 0 and centred on x and z: its
    four outer walls and bottom, four inner walls and floor, and the rim on
    top, each one face. sx, sy, sz are the outer sizes, wall the thickness of
    the walls and the floor."""
    hx, hz = sx / 2, sz / 2
    ix, iz = hx - wall, hz - wall
    faces = []
    # Outward on the outside, inward on the inside.
    for x, z, bottom, out in ((hx, hz, 0.0, 1.0), (ix, iz, wall, -1.0)):
        for nx, nz in ((1, 0), (0, 1), (-1, 0), (0, -1)):
            ends = [(nx * x, -z), (nx * x, z)] if nx else [(-x, nz * z), (x, nz * z)]
            corners = [(ends[0][0], bottom, ends[0][1]), (ends[1][0], bottom, ends[1][1]),
                       (ends[1][0], sy, ends[1][1]), (ends[0][0], sy, ends[0][1])]
            faces.append(quad_face(corners, (out * nx, 0.0, out * nz)))
        faces.append(quad_face([(-x, bottom, -z), (x, bottom, -z), (x, bottom, z), (-x, bottom, z)],
                               (0.0, -out, 0.0)))
    # The rim: the ring between the outer and the inner rectangle.
    outer = [(hx, sy, hz), (hx, sy, -hz), (-hx, sy, -hz), (-hx, sy, hz)]
    inner = [(ix, sy, iz), (ix, sy, -iz), (-ix, sy, -iz), (-ix, sy, iz)]
    idx = []
    for i in range(4):
        j = (i + 1) % 4
        idx += [i, j, 4 + j, i, 4 + j, 4 + i]
    faces.append(face(outer + inner, [(0.0, 1.0, 0.0)] * 8,
                      [((x + hx) / sx, (z + hz) / sz) for x, _, z in outer + inner], idx, rim_appearance))
    return faces


def torus_faces(major, minor, seg_major, seg_minor):
    nodes, normals, uvs, idx = [], [], [], []
    for i in range(seg_major):
        u = 2 * math.pi * i / seg_major
        for j in range(seg_minor):
            v = 2 * math.pi * j / seg_minor
            nx, ny, nz = math.cos(v) * math.cos(u), math.cos(v) * math.sin(u), math.sin(v)
            r = major + minor * math.cos(v)
            nodes.append((r * math.cos(u), r * math.sin(u), minor * math.sin(v)))
            normals.append((nx, ny, nz))
            uvs.append((i / seg_major, j / seg_minor))
    for i in range(seg_major):
        for j in range(seg_minor):
            a = i * seg_minor + j
            b = ((i + 1) % seg_major) * seg_minor + j
            c = ((i + 1) % seg_major) * seg_minor + (j + 1) % seg_minor
            d = i * seg_minor + (j + 1) % seg_minor
            idx += [a, b, c, a, c, d]
    return [face(nodes, normals, uvs, idx)]


def hex_prism_faces(radius, length):
    return cylinder_faces(radius, length, 6)


def transform(rx=0.0, ry=0.0, rz=0.0, t=(0.0, 0.0, 0.0), spin=0.0):
    """A spin about the part's own z axis, then rotations about x, y and z
    (radians), then a translation in cm."""
    def mul(a, b):
        return [[sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3)] for i in range(3)]
    cx, sx, cy, sy, cz, sz = math.cos(rx), math.sin(rx), math.cos(ry), math.sin(ry), math.cos(rz), math.sin(rz)
    mx = [[1, 0, 0], [0, cx, -sx], [0, sx, cx]]
    my = [[cy, 0, sy], [0, 1, 0], [-sy, 0, cy]]
    mz = [[cz, -sz, 0], [sz, cz, 0], [0, 0, 1]]
    cs, ss = math.cos(spin), math.sin(spin)
    ms = [[cs, -ss, 0], [ss, cs, 0], [0, 0, 1]]
    r = mul(mz, mul(my, mul(mx, ms)))
    # "+ 0.0" turns a rounded -0.0 into 0.0.
    rows = [[round(r[i][j], 12) + 0.0 for j in range(3)] + [t[i]] for i in range(3)]
    return rows + [[0, 0, 0, 1]]


def body(name, faces, appearance=None, visible=True):
    return {"name": name, "visible": visible, "appearance": appearance, "faces": faces}


def occurrence(component, tr=None, appearance=None, visible=True):
    occ = {"component": component, "visible": visible, "appearance": appearance}
    if tr is not None:
        occ["transform"] = tr
    return occ


# The gears' teeth stand 6 % of the radius out of it and go as far in.
def gear_profile(teeth):
    return lambda a: 1.0 + 0.12 * (1.0 if math.cos(teeth * a) > 0 else -1.0) * 0.5


def build(edited=False):
    appearances = [
        {"id": "Prism-093", "name": "Paint - Enamel Glossy (Red)",
         "properties": [{"id": "generic_diffuse", "type": "color", "value": [200, 16, 16, 255]},
                        {"id": "generic_glossiness", "type": "float", "value": 0.8}]},
        {"id": "Prism-157", "name": "Aluminum - Satin",
         "properties": [{"id": "metal_f0", "type": "color", "value": [196, 199, 204, 255]},
                        {"id": "surface_roughness", "type": "float", "value": 0.35}]},
        {"id": "Prism-212", "name": "Steel - Polished",
         "properties": [{"id": "opaque_albedo", "type": "color", "value": [120, 124, 130, 255]}]},
        {"id": "Prism-301", "name": "Plastic - Matte (Black)",
         "properties": [{"id": "generic_diffuse", "type": "color", "value": [22, 22, 24, 255]},
                        {"id": "generic_is_metal", "type": "boolean", "value": False}]},
        {"id": "Prism-418", "name": "Wood - Oak",
         "properties": [{"id": "generic_diffuse", "type": "color", "value": [171, 128, 84, 255],
                         "texture": [{"id": "unifiedbitmap_Bitmap", "type": "filename",
                                      "value": "textures/oak.png"},
                                     {"id": "texture_RealWorldScaleX", "type": "float", "value": 10.0}]}]},
        {"id": "Prism-055", "name": "Paint - Enamel Glossy (Blue)",
         "properties": [{"id": "generic_diffuse", "type": "color", "value": [24, 60, 180, 255]}]},
    ]

    # Lengths in centimetres, as the host gives them. The base plate's top is
    # y = 0; the housing (16 x 11 x 12, walls 6 mm) stands on it; the shafts
    # run along x at y = 6, 5 cm apart, where their 24-tooth gears of 2.5 cm
    # mesh, the second turned by half a tooth.
    gear_width = 2.4 if edited else 1.6
    components = [
        {"key": "root", "name": "Gearbox v3",
         "bodies": [body("Base Plate", box_faces(24.0, 1.0, 14.0, cy=-0.5), "Prism-418")],
         "occurrences": [
             occurrence("housing", transform(t=(0.0, 0.0, 0.0))),
             occurrence("shaft_assembly", transform(ry=math.pi / 2, t=(-8.0, 6.0, -2.5))),
             occurrence("shaft_assembly", transform(ry=math.pi / 2, spin=math.pi / 24, t=(-8.0, 6.0, 2.5)),
                        appearance="Prism-212"),
             occurrence("bolt", transform(rx=-math.pi / 2, t=(-10.5, 0.0, -6.0))),
             occurrence("bolt", transform(rx=-math.pi / 2, t=(10.5, 0.0, -6.0))),
             occurrence("bolt", transform(rx=-math.pi / 2, t=(-10.5, 0.0, 6.0))),
             occurrence("bolt", transform(rx=-math.pi / 2, t=(10.5, 0.0, 6.0))),
             occurrence("cover", transform(t=(0.0, 11.2, 0.0)), visible=False),
         ]},
        {"key": "housing", "name": "Housing",
         "bodies": [body("Housing Body", open_box_faces(16.0, 11.0, 12.0, 0.6, rim_appearance="Prism-055"),
                         "Prism-093"),
                    body("Oil Plug", cylinder_faces(0.6, 0.8, 16, base=(5.0, 2.0, 6.0)), "Prism-301")],
         "occurrences": []},
        {"key": "shaft_assembly", "name": "Shaft Assembly",
         "bodies": [],
         "occurrences": [
             occurrence("shaft"),
             occurrence("gear", transform(t=(0.0, 0.0, 7.0))),
             occurrence("bearing", transform(t=(0.0, 0.0, 2.0))),
             occurrence("bearing", transform(rz=math.pi / 8, t=(0.0, 0.0, 14.0))),
         ]},
        {"key": "shaft", "name": "Shaft",
         "bodies": [body("Shaft", cylinder_faces(0.8, 17.0, 32, base=(0.0, 0.0, -0.5)), "Prism-212")],
         "occurrences": []},
        {"key": "gear", "name": "Spur Gear",
         "bodies": [body("Gear", cylinder_faces(2.5, gear_width, 96, gear_profile(24)), "Prism-157")],
         "occurrences": []},
        {"key": "bearing", "name": "Bearing",
         "bodies": [body("Outer Race", torus_faces(1.4, 0.35, 36, 12), "Prism-212"),
                    body("Inner Race", torus_faces(1.0, 0.25, 36, 10))],
         "occurrences": []},
        {"key": "bolt", "name": "Bolt M8",
         "bodies": [body("Bolt Head", hex_prism_faces(0.65, 0.55), "Prism-301"),
                    body("Bolt Shank", cylinder_faces(0.4, 1.0, 16, base=(0.0, 0.0, -1.0)), "Prism-301")],
         "occurrences": []},
        {"key": "cover", "name": "Cover",
         "bodies": [body("Cover Plate", box_faces(16.0, 0.4, 12.0), "Prism-157")],
         "occurrences": []},
    ]
    return {
        "format": "design/1",
        "name": "Gearbox v3",
        "host": {
            "modelingOrientation": "y-up",
            "viewport": {
                "cameraType": "perspective",
                "eye": [34.0, 46.0, 42.0],
                "target": [0.0, 3.0, 0.0],
                "up": [0.0, 1.0, 0.0],
                "perspectiveAngle": 0.5235987755982988,
            },
        },
        "appearances": appearances,
        "products": [{"type": "design", "units": "mm", "rootComponent": "root"}],
        "components": components,
    }


def write(design, path):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        json.dump(design, f, separators=(",", ":"))
        f.write("\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "gearbox.design.json")
    edited = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "gearbox-edited.design.json")
    write(build(), out)
    write(build(edited=True), edited)


if __name__ == "__main__":
    main()
