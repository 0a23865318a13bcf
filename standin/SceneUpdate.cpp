#include "SceneUpdate.h"

#include <functional>
#include <map>
#include <set>
#include <string>

namespace standin::raydeck {

using vel::model::Entry;
using vel::model::EntryKind;
using vel::model::Node;
using vel::model::NodeKind;

namespace {

bool isGroupBlock(const Entry& entry)
{
    return entry.kind == EntryKind::Block && entry.node && entry.node->kind == NodeKind::Group;
}

// The group's `occurrence`-th child group named `name` (0: the first).
const Node* childGroup(const Node& parent, const std::string& name, int occurrence)
{
    for (const Entry& entry : parent.entries) {
        if (isGroupBlock(entry) && entry.node->name == name && occurrence-- == 0)
            return entry.node.get();
    }
    return nullptr;
}

// The node's own fields, without its entries.
std::shared_ptr<Node> shellOf(const Node& node)
{
    auto shell = std::make_shared<Node>();
    shell->kind = node.kind;
    shell->name = node.name;
    shell->second = node.second;
    shell->third = node.third;
    shell->type = node.type;
    shell->hasName = node.hasName;
    shell->placed = node.placed;
    shell->numbered = node.numbered;
    shell->shaderNumber = node.shaderNumber;
    shell->modify = node.modify;
    return shell;
}

// Calls visit on every node below the blocks once, in the order a scene
// file of them meets it (SceneReplay.h: a captured shader where it is first
// used, the shaders of a list's values before the list), and entry on every
// entry in that order, after the nodes it holds.
class Walk {
public:
    Walk(std::function<void(Node&)> visit, std::function<void(Entry&)> entry)
        : visit_(std::move(visit)), entry_(std::move(entry))
    {
    }

    void blocks(const std::vector<std::shared_ptr<Node>>& blocks)
    {
        for (const std::shared_ptr<Node>& block : blocks)
            node(block.get());
    }

private:
    void node(Node* n)
    {
        if (n == nullptr || !seen_.insert(n).second)
            return;
        visit_(*n);
        for (Entry& e : n->entries) {
            node(e.node.get());
            node(e.value.shader.get());
            for (vel::model::Value& v : e.values)
                node(v.shader.get());
            entry_(e);
        }
    }

    std::function<void(Node&)> visit_;
    std::function<void(Entry&)> entry_;
    std::set<const Node*> seen_;
};

bool isShaderReference(const Entry& e)
{
    return e.kind == EntryKind::ShaderIdLink || e.kind == EntryKind::SlotId;
}

int referencedNumber(const Entry& e)
{
    return e.kind == EntryKind::ShaderIdLink ? e.number : static_cast<int>(e.word);
}

void setReferencedNumber(Entry& e, int number)
{
    if (e.kind == EntryKind::ShaderIdLink)
        e.number = number;
    else
        e.word = static_cast<std::uint32_t>(number);
}

} // namespace

bool isUnchangedComponent(std::uint32_t flags)
{
    return (flags & (kComponentBit | kContentsBit | kBodyBit)) == kComponentBit;
}

bool isBodyGroup(std::uint32_t flags)
{
    return (flags & kBodyBit) != 0;
}

std::shared_ptr<Node> updateModelSet(const Node& incoming, const Node* held)
{
    std::shared_ptr<Node> result = shellOf(incoming);
    std::map<std::string, int> occurrences;
    for (const Entry& entry : incoming.entries) {
        if (isGroupBlock(entry)) {
            const int occurrence = occurrences[entry.node->name]++;
            const Node* heldChild = held != nullptr ? childGroup(*held, entry.node->name, occurrence) : nullptr;
            Entry child = entry;
            child.node = updateModelSet(*entry.node, heldChild);
            result->entries.push_back(std::move(child));
        } else if (entry.kind == EntryKind::Flags && isUnchangedComponent(entry.word)) {
            Entry flags = entry;
            flags.word |= kContentsBit;
            result->entries.push_back(std::move(flags));
        } else {
            result->entries.push_back(entry);
        }
    }
    if (held != nullptr && isUnchangedComponent(incoming.flags())) {
        for (const Entry& entry : held->entries) {
            if (isGroupBlock(entry) && isBodyGroup(entry.node->flags()))
                result->entries.push_back(entry);
        }
    }
    return result;
}

int highestShaderNumber(const std::vector<std::shared_ptr<Node>>& blocks)
{
    int highest = 0;
    Walk(
        [&](Node& n) {
            if (n.kind == NodeKind::Shader && n.numbered && n.shaderNumber > highest)
                highest = n.shaderNumber;
        },
        [](Entry&) {})
        .blocks(blocks);
    return highest;
}

void offsetShaderNumbers(const std::vector<std::shared_ptr<Node>>& blocks, int offset)
{
    if (offset == 0)
        return;
    Walk(
        [&](Node& n) {
            if (n.kind == NodeKind::Shader && n.numbered)
                n.shaderNumber += offset;
        },
        [&](Entry& e) {
            if (isShaderReference(e))
                setReferencedNumber(e, referencedNumber(e) + offset);
        })
        .blocks(blocks);
}

void renumberShaders(const std::vector<std::shared_ptr<Node>>& blocks)
{
    std::map<int, int> numbers; // as defined -> anew
    int next = 0;
    Walk(
        [&](Node& n) {
            if (n.kind == NodeKind::Shader && n.numbered) {
                numbers[n.shaderNumber] = ++next;
                n.shaderNumber = next;
            }
        },
        [&](Entry& e) {
            if (!isShaderReference(e))
                return;
            const auto it = numbers.find(referencedNumber(e));
            if (it != numbers.end())
                setReferencedNumber(e, it->second);
        })
        .blocks(blocks);
}

} // namespace standin::raydeck
