// Ptr<T>: the empty pointer's exception, casts by class type, and that
// references keep objects alive exactly as long as they are held.

#include "HostTestSupport.h"

#include <functional>

using namespace hosttest;
using adsk::core::Application;
using adsk::core::Product;
using adsk::fusion::Design;

namespace {

std::string thrownBy(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

void openExample()
{
    // One design with a body in a painted red, and a product that is not a design.
    sh::openDesignFile(designsDir() / "01_gearbox.design.json");
}

} // namespace

class PtrSemantics : public HostTest {};

TEST_F(PtrSemantics, AnEmptyPointerRaisesUnknownExceptionAndCastsGoByClassType)
{
    Ptr<Design> empty;
    EXPECT_EQ(thrownBy([&] { empty->rootComponent(); }), "Unknown exception");
    EXPECT_EQ(thrownBy([&] { (void)*empty; }), "Unknown exception");
    // What the add-in meets: a missing object one step down.
    EXPECT_EQ(thrownBy([] { Application::get()->activeDocument()->name(); }), "Unknown exception");
    EXPECT_FALSE(empty);

    openExample();
    Ptr<adsk::core::Products> products = Application::get()->activeDocument()->products();
    Ptr<Product> design = products->item(0);
    Ptr<Product> other = products->item(1);

    EXPECT_TRUE(design->cast<Design>());
    EXPECT_FALSE(other->cast<Design>());
    EXPECT_STREQ(design->objectType(), "adsk::fusion::Design");
    EXPECT_STREQ(other->objectType(), "adsk::core::Product");
    EXPECT_TRUE(other->cast<adsk::core::Base>());
    EXPECT_FALSE(design->cast<adsk::fusion::Component>());

    // Construction from another Ptr casts the same way; the add-in's code
    // does it everywhere (tests/addin, tests/translate).
    EXPECT_FALSE(Ptr<Design>(other));
}

TEST_F(PtrSemantics, HeldObjectsOutliveTheirDocumentAndGoWithTheLastReference)
{
    const std::size_t baseline = sh::liveObjects();
    openExample();
    EXPECT_GT(sh::liveObjects(), baseline);
    const std::size_t one = sh::liveObjects();
    openExample(); // replacing the document releases the old one
    EXPECT_EQ(sh::liveObjects(), one);

    Ptr<adsk::fusion::TriangleMesh> mesh = designAt(0)->rootComponent()->bRepBodies()->item(0)->faces()->item(0)
                                               ->meshManager()->displayMeshes()->item(0);
    const std::size_t withDocument = sh::liveObjects();
    sh::closeDocument();
    EXPECT_FALSE(Application::get()->activeDocument());
    EXPECT_LT(sh::liveObjects(), withDocument);
    EXPECT_GT(sh::liveObjects(), baseline);
    // Still usable: the mesh keeps its arrays.
    EXPECT_EQ(mesh->nodeIndices().size(), 3u);

    Ptr<adsk::fusion::TriangleMesh> copy = mesh;
    Ptr<adsk::fusion::TriangleMesh> moved = std::move(mesh);
    EXPECT_FALSE(mesh);
    copy.reset();
    EXPECT_GT(sh::liveObjects(), baseline);
    moved = nullptr;
    EXPECT_EQ(sh::liveObjects(), baseline);
}

TEST_F(PtrSemantics, ADeepChainOfPlacementsIsReleasedWithoutRecursion)
{
    // Each component places the next; releasing them must not free the chain
    // recursively, whether the document lets go of it or a Ptr kept past the
    // document does.
    const std::size_t baseline = sh::liveObjects();
    const auto open = [] {
        sh::DesignData d;
        const int depth = 200000;
        d.components.resize(depth);
        for (int i = 0; i + 1 < depth; ++i)
            d.components[static_cast<std::size_t>(depth - 1 - i)].occurrences.push_back(placement(depth - 2 - i));
        d.products.push_back({sh::ProductType::Design, "cm", depth - 1, {}});
        sh::openDesign(std::move(d));
    };
    open();
    sh::closeDocument();
    EXPECT_EQ(sh::liveObjects(), baseline);

    open();
    Ptr<adsk::fusion::Component> top = designAt(0)->rootComponent();
    sh::closeDocument();
    EXPECT_GT(sh::liveObjects(), baseline + 200000);
    top = nullptr;
    EXPECT_EQ(sh::liveObjects(), baseline);
}
