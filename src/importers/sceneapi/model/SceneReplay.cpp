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
    ShaderText handleOf(const std::shared_ptr<Node>& shader)
    {
        if (!shader)
            return nullptr;
        const auto it = handles_.find(shader.get());
        if (it != handles_.end())
            return it->second;
        api_.pushCapture();
        api_.beginShader(nullptr, shader->type.c_str());
        entries(*shader);
        api_.endShader();
        const ShaderText handle = api_.capturedText();
        api_.popCapture();
        handles_[shader.get()] = handle;
        return handle;
    }

    void entry(const Entry& e)
    {
        const auto handleOfShader = [this](const std::shared_ptr<Node>& s) { return handleOf(s); };
        switch (e.kind) {
        case EntryKind::Block:
            if (e.node)
                block(*e.node);
            return;
        case EntryKind::Parameter:
            e.value.asCall(handleOfShader, [&](int code, const void* value) { api_.parameter(e.name.c_str(), code, value); });
            return;
        case EntryKind::ShaderIdLink:
            api_.parameterShaderId(e.name.c_str(), e.number);
            return;
        case EntryKind::ShaderTextLink:
            api_.parameterShaderText(e.name.c_str(), handleOf(e.node));
            return;
        case EntryKind::List:
            for (const Value& v : e.values)
                handleOf(v.shader);
            api_.beginList(e.name.c_str());
            for (const Value& v : e.values)
                v.asCall(handleOfShader, [&](int code, const void* value) { api_.listValue(code, value); });
            api_.endList();
            return;
        case EntryKind::Transform:
            api_.transform(e.matrix.data());
            return;
        case EntryKind::SetTransform:
            api_.setTransform(e.matrix.data());
            return;
        case EntryKind::Scale:
            api_.scale(e.matrix[0], e.matrix[1], e.matrix[2]);
            return;
        case EntryKind::Rotate:
            api_.rotate(e.matrix[0], e.matrix[1], e.matrix[2]);
            return;
        case EntryKind::Translate:
            api_.translate(e.matrix[0], e.matrix[1], e.matrix[2]);
            return;
        case EntryKind::UseMaterial:
            api_.useMaterial(e.name.c_str());
            return;
        case EntryKind::SlotId:
            api_.shaderId(e.number, static_cast<int>(e.word));
            return;
        case EntryKind::SlotText:
            api_.shaderText(e.number, handleOf(e.node));
            return;
        case EntryKind::Attribute:
            api_.attribute(e.name.c_str(), e.text.c_str());
            return;
        case EntryKind::Id:
            api_.id(e.word);
            return;
        case EntryKind::Flags:
            api_.flags(e.word);
            return;
        case EntryKind::Version:
            api_.version(e.number);
            return;
        case EntryKind::Progress:
            api_.progress(e.name.c_str(), e.fraction);
            return;
        case EntryKind::Icon:
            api_.icon(e.bytes.data(), static_cast<int>(e.bytes.size()));
            return;
        case EntryKind::BinaryData:
            api_.binaryData(e.name.c_str(), e.bytes.data(), static_cast<int>(e.bytes.size()));
            return;
        case EntryKind::Print:
            api_.print(e.name.c_str());
            return;
        case EntryKind::Error:
            api_.error(e.name.c_str());
            return;
        case EntryKind::Text:
            api_.writeText("%s", e.name.c_str());
            return;
        case EntryKind::Render:
            api_.render();
            return;
        }
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
