// The checks shared by loaded and built designs: references, cycles and the
// depth of textures.

#include <StandIn/DesignLoader.h>

#include <string>
#include <utility>
#include <vector>

namespace standin::host {

namespace {

class Checker {
public:
    Checker(const DesignData& design, const std::string& source) : design_(design), source_(source) {}

    void run() const
    {
        for (std::size_t a = 0; a < design_.appearances.size(); ++a)
            textureDepth(design_.appearances[a].properties, "appearances[" + std::to_string(a) + "].properties", 0);
        const auto& components = design_.components;
        for (std::size_t p = 0; p < design_.products.size(); ++p)
            if (design_.products[p].type == ProductType::Design)
                componentRef(design_.products[p].rootComponent, "products[" + std::to_string(p) + "].rootComponent");
        for (std::size_t c = 0; c < components.size(); ++c) {
            const std::string at = "components[" + std::to_string(c) + "]";
            const auto& bodies = components[c].bodies;
            for (std::size_t b = 0; b < bodies.size(); ++b) {
                const std::string body = at + ".bodies[" + std::to_string(b) + "]";
                appearanceRef(bodies[b].appearance, body + ".appearance");
                for (std::size_t f = 0; f < bodies[b].faces.size(); ++f)
                    appearanceRef(bodies[b].faces[f].appearance, body + ".faces[" + std::to_string(f) + "].appearance");
            }
            const auto& occurrences = components[c].occurrences;
            for (std::size_t o = 0; o < occurrences.size(); ++o) {
                const std::string occurrence = at + ".occurrences[" + std::to_string(o) + "]";
                componentRef(occurrences[o].component, occurrence + ".component");
                appearanceRef(occurrences[o].appearance, occurrence + ".appearance");
            }
        }
        findCycle();
    }

private:
    [[noreturn]] void fail(const std::string& location, const std::string& problem) const
    {
        throw DesignError(source_, location, problem);
    }

    void componentRef(int index, const std::string& location) const
    {
        const std::size_t n = design_.components.size();
        if (index != kNone && (index < 0 || static_cast<std::size_t>(index) >= n))
            fail(location, "component " + std::to_string(index) + " out of range (" + std::to_string(n) + " components)");
    }

    void appearanceRef(int index, const std::string& location) const
    {
        const std::size_t n = design_.appearances.size();
        if (index != kNone && (index < 0 || static_cast<std::size_t>(index) >= n))
            fail(location, "appearance " + std::to_string(index) + " out of range (" + std::to_string(n) + " appearances)");
    }

    // Bounded by the limit itself: the walk goes no deeper than it.
    void textureDepth(const std::vector<PropertyData>& properties, const std::string& location, int depth) const
    {
        for (std::size_t i = 0; i < properties.size(); ++i) {
            const PropertyData& p = properties[i];
            if (p.type != PropertyType::Color || !p.hasTexture)
                continue;
            const std::string texture = location + "[" + std::to_string(i) + "].texture";
            if (depth + 1 > kMaxTextureDepth)
                fail(texture, "textures nested more than " + std::to_string(kMaxTextureDepth) + " deep");
            textureDepth(p.texture, texture, depth + 1);
        }
    }

    std::string label(std::size_t c) const
    {
        const std::string& key = design_.components[c].key;
        return key.empty() ? "components[" + std::to_string(c) + "]" : key;
    }

    // Iterative depth-first walk over the placements; an occurrence that
    // places a component still on the walk's path closes a cycle.
    void findCycle() const
    {
        enum class Mark { New, OnPath, Done };
        const std::size_t n = design_.components.size();
        std::vector<Mark> mark(n, Mark::New);
        std::vector<std::pair<std::size_t, std::size_t>> path; // component, next occurrence
        for (std::size_t start = 0; start < n; ++start) {
            if (mark[start] != Mark::New)
                continue;
            mark[start] = Mark::OnPath;
            path.emplace_back(start, 0);
            while (!path.empty()) {
                const std::size_t c = path.back().first;
                const std::size_t o = path.back().second;
                const auto& occurrences = design_.components[c].occurrences;
                if (o == occurrences.size()) {
                    mark[c] = Mark::Done;
                    path.pop_back();
                    continue;
                }
                ++path.back().second;
                const int child = occurrences[o].component;
                if (child == kNone)
                    continue;
                const auto target = static_cast<std::size_t>(child);
                if (mark[target] == Mark::OnPath) {
                    std::string cycle;
                    bool inCycle = false;
                    for (const auto& step : path) {
                        inCycle = inCycle || step.first == target;
                        if (inCycle)
                            cycle += label(step.first) + " -> ";
                    }
                    fail("components[" + std::to_string(c) + "].occurrences[" + std::to_string(o) + "].component",
                         "placement cycle: " + cycle + label(target));
                }
                if (mark[target] == Mark::New) {
                    mark[target] = Mark::OnPath;
                    path.emplace_back(target, 0);
                }
            }
        }
    }

    const DesignData& design_;
    const std::string& source_;
};

} // namespace

void checkDesign(const DesignData& design, const std::string& source)
{
    Checker(design, source).run();
}

} // namespace standin::host
