// The viewport camera and the small value objects the add-in computes with.

#include "HostTestSupport.h"

#include <cmath>

using namespace hosttest;
using namespace adsk::core;

namespace {

sh::CameraData camera()
{
    sh::CameraData c;
    c.eye = {1, 2, 3};
    c.target = {1, 2, 13};
    c.up = {0, 3, 0};
    c.perspectiveAngle = 0.25;
    return c;
}

Ptr<Camera> activeCamera()
{
    return Application::get()->activeViewport()->camera();
}

} // namespace

class Geometry : public HostTest {};

TEST_F(Geometry, VectorsSubtractAndNormalizeInPlaceAndRefuseAZeroVector)
{
    sh::setViewport(camera());
    Ptr<Camera> c = activeCamera();
    Ptr<Vector3D> direction = c->target()->asVector();
    ASSERT_TRUE(direction->subtract(c->eye()->asVector()));
    EXPECT_EQ(direction->asArray(), (std::vector<double>{0, 0, 10}));
    ASSERT_TRUE(direction->normalize());
    EXPECT_EQ(direction->asArray(), (std::vector<double>{0, 0, 1}));
    EXPECT_FALSE(direction->subtract(nullptr));

    Ptr<Vector3D> zero = c->eye()->asVector();
    zero->subtract(c->eye()->asVector());
    EXPECT_FALSE(zero->normalize());
    EXPECT_EQ(zero->asArray(), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(sh::arrayLoans().outstanding, 0u);
}

TEST_F(Geometry, TheCameraIsACopyAndItsUpVectorIsAsStored)
{
    sh::setViewport(camera());
    Ptr<Camera> first = activeCamera();
    first->upVector()->normalize();
    EXPECT_EQ(first->upVector()->asArray(), (std::vector<double>{0, 3, 0}));

    sh::setViewport(sh::defaultView(ZUpModelingOrientation));
    EXPECT_EQ(first->perspectiveAngle(), 0.25);
    EXPECT_EQ(activeCamera()->upVector()->asArray(), (std::vector<double>{0, 0, 1}));
    sh::setViewport(std::nullopt);
    EXPECT_FALSE(Application::get()->activeViewport());
}

TEST_F(Geometry, CameraPartsAndPreferencesCanGoMissing)
{
    const std::vector<std::pair<sh::Missing, std::function<bool()>>> cases = {
        {sh::Missing::ViewportCamera, [] { return bool(activeCamera()); }},
        {sh::Missing::CameraEye, [] { return bool(activeCamera()->eye()); }},
        {sh::Missing::CameraTarget, [] { return bool(activeCamera()->target()); }},
        {sh::Missing::CameraUpVector, [] { return bool(activeCamera()->upVector()); }},
        {sh::Missing::GeneralPreferences, [] { return bool(Application::get()->preferences()->generalPreferences()); }},
    };
    for (const auto& [what, present] : cases) {
        SCOPED_TRACE(static_cast<int>(what));
        EXPECT_TRUE(present());
        sh::setMissing(what);
        EXPECT_FALSE(present());
        sh::setMissing(what, false);
    }
}

TEST_F(Geometry, MatrixCellsOutsideTheMatrixAreZero)
{
    sh::DesignData d;
    sh::Matrix4 m = sh::identityMatrix();
    m[1][3] = -4.5;
    d.components.resize(2);
    d.components[0].occurrences.push_back(placement(1));
    d.components[0].occurrences[0].transform = m;
    d.products.push_back({sh::ProductType::Design, "cm", 0, {}});
    sh::openDesign(std::move(d));
    Ptr<Matrix3D> t = designAt(0)->rootComponent()->occurrences()->item(0)->transform();
    EXPECT_EQ(t->getCell(1, 3), -4.5);
    EXPECT_EQ(t->getCell(3, 3), 1.0);
    EXPECT_EQ(t->getCell(4, 0), 0.0);
    EXPECT_EQ(t->getCell(0, -1), 0.0);
}
