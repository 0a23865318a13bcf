#include "SceneReplay.h"

#include <map>

#include <sceneapi/ReplayTarget.h>
#include <sceneapi/velScene_api_file.h>

namespace vel::model {

namespace {

class Replay {
public:
    explicit Replay(velScene_api& api) : api_(api) {}

    void entries(const Node& node)
    {
        for (const Entry& e : node.entries)
            entry(e);
    }

private:
    ShaderText handleOf(const Node* shader)
    {
        if (!shader)
            return nullptr;
        const auto it = handles_.find(shader);
        if (it != handles_.end())
            return it->second;
        api_.pushCapture();
        api_.beginShader(nullptr, shader->type.c_str());
        entries(*shader);
        api_.endShader();
        const ShaderText handle = api_.capturedText();
        api_.popCapture();
        handles_[shader] = handle;
        return handle;
    }

    void entry(const Entry& e)
    {
        const auto handleOfShader = [this](const Node* s) { return handleOf(s); };
        std::visit(
            Overloaded{
                [&](const entry::Block& b) {
                    if (b.node)
                        block(*b.node);
                },
                [&](const entry::Parameter& p) {
                    p.value.asCall(handleOfShader,
                                   [&](int code, const void* value) { api_.parameter(p.name.c_str(), code, value); });
                },
                [&](const entry::ShaderIdLink& l) { api_.parameterShaderId(l.name.c_str(), l.shader); },
                [&](const entry::ShaderTextLink& l) {
                    api_.parameterShaderText(l.name.c_str(), handleOf(l.shader.get()));
                },
                [&](const entry::List& l) {
                    // Captured shaders are written before the list that uses them.
                    for (const Value& v : l.values)
                        handleOf(v.shader());
                    api_.beginList(l.name.c_str());
                    for (const Value& v : l.values)
                        v.asCall(handleOfShader, [&](int code, const void* value) { api_.listValue(code, value); });
                    api_.endList();
                },
                [&](const entry::Transform& t) { api_.transform(t.matrix->data()); },
                [&](const entry::SetTransform& t) { api_.setTransform(t.matrix->data()); },
                [&](const entry::Scale& s) { api_.scale(s.xyz[0], s.xyz[1], s.xyz[2]); },
                [&](const entry::Rotate& r) { api_.rotate(r.degrees[0], r.degrees[1], r.degrees[2]); },
                [&](const entry::Translate& t) { api_.translate(t.xyz[0], t.xyz[1], t.xyz[2]); },
                [&](const entry::UseMaterial& u) { api_.useMaterial(u.name.c_str()); },
                [&](const entry::SlotId& s) { api_.shaderId(s.slot, static_cast<int>(s.shader)); },
                [&](const entry::SlotText& s) { api_.shaderText(s.slot, handleOf(s.shader.get())); },
                [&](const entry::Attribute& a) { api_.attribute(a.key.c_str(), a.value.c_str()); },
                [&](const entry::Id& i) { api_.id(i.id); },
                [&](const entry::Flags& f) { api_.flags(f.word); },
                [&](const entry::Version& v) { api_.version(v.version); },
                [&](const entry::Progress& p) { api_.progress(p.name.c_str(), p.fraction); },
                [&](const entry::Icon& i) { api_.icon(i.bytes.data(), static_cast<int>(i.bytes.size())); },
                [&](const entry::BinaryData& b) {
                    api_.binaryData(b.keyword.c_str(), b.bytes.data(), static_cast<int>(b.bytes.size()));
                },
                [&](const entry::Print& p) { api_.print(p.text.c_str()); },
                [&](const entry::Error& x) { api_.error(x.text.c_str()); },
                [&](const entry::Text& t) { api_.writeText("%s", t.text.c_str()); },
                [&](const entry::Render&) { api_.render(); },
            },
            e);
    }

    void block(const Node& n)
    {
        const char* name = n.name.c_str();
        switch (n.kind) {
        case NodeKind::Scene:
            entries(n);
            return;
        case NodeKind::Group:
            api_.beginGroup(name, n.placed);
            entries(n);
            api_.endGroup();
            return;
        case NodeKind::Object:
            api_.beginObject(name, n.placed);
            entries(n);
            api_.endObject();
            return;
        case NodeKind::Geometry:
            api_.beginGeometry(name);
            entries(n);
            api_.endGeometry();
            return;
        case NodeKind::Animation:
            api_.beginAnimation(name, n.second.c_str());
            entries(n);
            api_.endAnimation();
            return;
        case NodeKind::Load:
            api_.beginLoad(name);
            entries(n);
            api_.endLoad();
            return;
        case NodeKind::Options:
            if (api_.beginOptions()) {
                entries(n);
                api_.endOptions();
            }
            return;
        case NodeKind::Camera: {
            const char* cameraName = n.hasName ? name : nullptr;
            bool opened;
            if (!n.modify)
                opened = api_.beginCamera(cameraName);
            else if (auto* file = dynamic_cast<velScene_api_file*>(&api_))
                opened = file->modifyCamera(cameraName);
            else if (auto* modifier = dynamic_cast<CameraModifier*>(&api_))
                opened = modifier->modifyCamera(cameraName);
            else
                opened = api_.beginCamera(cameraName);
            if (opened) {
                entries(n);
                api_.endCamera();
            }
            return;
        }
        case NodeKind::Image:
            if (api_.beginImage()) {
                entries(n);
                api_.endImage();
            }
            return;
        case NodeKind::Output:
            api_.beginOutput(name, n.second.c_str(), n.third.c_str());
            entries(n);
            api_.endOutput();
            return;
        case NodeKind::Light:
            api_.beginLight(name);
            entries(n);
            api_.endLight();
            return;
        case NodeKind::Accel:
            api_.beginAccel(name);
            entries(n);
            api_.endAccel();
            return;
        case NodeKind::Matrix:
            api_.beginMatrix(name);
            entries(n);
            api_.endMatrix();
            return;
        case NodeKind::Material:
            api_.beginMaterial(name, n.placed);
            entries(n);
            api_.endMaterial();
            return;
        case NodeKind::Shader:
            if (n.numbered)
                api_.beginShaderId(n.type.c_str(), n.shaderNumber);
            else if (n.hasName)
                api_.beginShader(name, n.type.c_str());
            else
                return; // a captured shader stands where it is used
            entries(n);
            api_.endShader();
            return;
        }
    }

    velScene_api& api_;
    std::map<const Node*, ShaderText> handles_;
};

} // namespace

void writeScene(const Scene& scene, velScene_api& api)
{
    Replay(api).entries(scene.root());
}

void writeEntries(const Node& node, velScene_api& api)
{
    Replay(api).entries(node);
}

} // namespace vel::model
