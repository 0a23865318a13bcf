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

TEST_F(Geometry, VectorsSubtractAndNormalizeInPlaceAndRefuseAZeroVectorAndTheCameraIsACopy)
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

    // The camera is a copy, and its up vector is as stored.
    Ptr<Camera> first = activeCamera();
    first->upVector()->normalize();
    EXPECT_EQ(first->upVector()->asArray(), (std::vector<double>{0, 3, 0}));

    sh::setViewport(sh::defaultView(ZUpModelingOrientation));
    EXPECT_EQ(first->perspectiveAngle(), 0.25);
}
