#include <StandIn/DesignData.h>

namespace standin::host {

PropertyData colorProperty(std::string id, std::optional<Rgba> value)
{
    PropertyData p;
    p.id = std::move(id);
    p.type = PropertyType::Color;
    p.color = value;
    return p;
}

PropertyData filenameProperty(std::string id, std::string path)
{
    PropertyData p;
    p.id = std::move(id);
    p.type = PropertyType::Filename;
    p.text = std::move(path);
    return p;
}

PropertyData floatProperty(std::string id, double value)
{
    PropertyData p;
    p.id = std::move(id);
    p.type = PropertyType::Float;
    p.number = value;
    return p;
}

Matrix4 identityMatrix()
{
    return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

CameraData defaultView(adsk::core::DefaultModelingOrientations orientation)
{
    CameraData camera;
    camera.up = orientation == adsk::core::ZUpModelingOrientation ? std::array<double, 3>{0.0, 0.0, 1.0}
                                                                  : std::array<double, 3>{0.0, 1.0, 0.0};
    return camera;
}

MeshData boxMesh(std::array<double, 3> min, std::array<double, 3> max)
{
    MeshData mesh;
    // One side per axis and direction: the side's normal axis, its sign, and
    // the two axes spanning it, ordered so that (u × v) points outwards.
    struct Side {
        int axis;
        double sign;
        int u;
        int v;
    };
    const Side sides[6] = {{0, -1, 2, 1}, {0, 1, 1, 2}, {1, -1, 0, 2}, {1, 1, 2, 0}, {2, -1, 1, 0}, {2, 1, 0, 1}};
    for (const Side& side : sides) {
        const auto base = static_cast<std::int32_t>(mesh.nodeCoordinates.size() / 3);
        for (int corner = 0; corner < 4; ++corner) {
            const int du = (corner == 1 || corner == 2) ? 1 : 0;
            const int dv = (corner >= 2) ? 1 : 0;
            std::array<double, 3> p{};
            p[static_cast<std::size_t>(side.axis)] = side.sign < 0 ? min[static_cast<std::size_t>(side.axis)]
                                                                   : max[static_cast<std::size_t>(side.axis)];
            p[static_cast<std::size_t>(side.u)] = du ? max[static_cast<std::size_t>(side.u)] : min[static_cast<std::size_t>(side.u)];
            p[static_cast<std::size_t>(side.v)] = dv ? max[static_cast<std::size_t>(side.v)] : min[static_cast<std::size_t>(side.v)];
            for (double c : p)
                mesh.nodeCoordinates.push_back(static_cast<float>(c));
            for (int a = 0; a < 3; ++a)
                mesh.normalVectors.push_back(a == side.axis ? static_cast<float>(side.sign) : 0.0f);
            mesh.textureCoordinates.push_back(static_cast<float>(du));
            mesh.textureCoordinates.push_back(static_cast<float>(dv));
        }
        for (std::int32_t i : {0, 1, 2, 0, 2, 3})
            mesh.nodeIndices.push_back(base + i);
    }
    return mesh;
}

MeshData gridMesh(int cellsX, int cellsY, double cellSize)
{
    MeshData mesh;
    if (cellsX <= 0 || cellsY <= 0)
        return mesh;
    const auto nodes = static_cast<std::size_t>(cellsX + 1) * static_cast<std::size_t>(cellsY + 1);
    mesh.nodeCoordinates.reserve(nodes * 3);
    mesh.normalVectors.reserve(nodes * 3);
    mesh.textureCoordinates.reserve(nodes * 2);
    for (int y = 0; y <= cellsY; ++y) {
        for (int x = 0; x <= cellsX; ++x) {
            mesh.nodeCoordinates.insert(mesh.nodeCoordinates.end(),
                                        {static_cast<float>(x * cellSize), static_cast<float>(y * cellSize), 0.0f});
            mesh.normalVectors.insert(mesh.normalVectors.end(), {0.0f, 0.0f, 1.0f});
            mesh.textureCoordinates.insert(mesh.textureCoordinates.end(),
                                           {static_cast<float>(x) / static_cast<float>(cellsX),
                                            static_cast<float>(y) / static_cast<float>(cellsY)});
        }
    }
    mesh.nodeIndices.reserve(static_cast<std::size_t>(cellsX) * static_cast<std::size_t>(cellsY) * 6);
    const std::int32_t row = cellsX + 1;
    for (std::int32_t y = 0; y < cellsY; ++y) {
        for (std::int32_t x = 0; x < cellsX; ++x) {
            const std::int32_t a = y * row + x;
            mesh.nodeIndices.insert(mesh.nodeIndices.end(), {a, a + 1, a + row + 1, a, a + row + 1, a + row});
        }
    }
    return mesh;
}

} // namespace standin::host
