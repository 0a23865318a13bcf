#include "SceneUpdate.h"

#include <functional>
#include <map>
#include <set>
#include <string>

namespace standin::raydeck {

using vel::model::Entry;
namespace entry = vel::model::entry;
using vel::model::Node;
using vel::model::NodeKind;

namespace {

// The group an entry holds, or null.
const Node* groupOf(const Entry& entry)
{
    const Node* block = vel::model::blockOf(entry);
    return block && block->kind == NodeKind::Group ? block : nullptr;
}

// The group's `occurrence`-th child group named `name` (0: the first).
const Node* childGroup(const Node& parent, const std::string& name, int occurrence)
{
    for (const Entry& entry : parent.entries) {
        const Node* group = groupOf(entry);
        if (group && group->name == name && occurrence-- == 0)
            return group;
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
            vel::model::forEachNode(e, [this](Node& held) { node(&held); });
            entry_(e);
        }
    }

    std::function<void(Node&)> visit_;
    std::function<void(Entry&)> entry_;
    std::set<const Node*> seen_;
};

// Renumbers the entry's reference to a numbered shader, if it has one:
// `renumber` takes the number it refers to and gives the new one.
template <typename Renumber>
void renumberReference(Entry& e, Renumber renumber)
{
    if (auto* link = std::get_if<entry::ShaderIdLink>(&e))
        link->shader = renumber(link->shader);
    else if (auto* slot = std::get_if<entry::SlotId>(&e))
        slot->shader = static_cast<std::uint32_t>(renumber(static_cast<int>(slot->shader)));
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
        const auto* flags = std::get_if<entry::Flags>(&entry);
        if (const Node* group = groupOf(entry)) {
            const int occurrence = occurrences[group->name]++;
            const Node* heldChild = held != nullptr ? childGroup(*held, group->name, occurrence) : nullptr;
            result->entries.emplace_back(entry::Block{updateModelSet(*group, heldChild)});
        } else if (flags && isUnchangedComponent(flags->word)) {
            result->entries.emplace_back(entry::Flags{flags->word | kContentsBit});
        } else {
            result->entries.push_back(entry);
        }
    }
    if (held != nullptr && isUnchangedComponent(incoming.flags())) {
        for (const Entry& entry : held->entries) {
            const Node* group = groupOf(entry);
            if (group && isBodyGroup(group->flags()))
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
        [&](Entry& e) { renumberReference(e, [&](int number) { return number + offset; }); })
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
            renumberReference(e, [&](int number) {
                const auto it = numbers.find(number);
                return it != numbers.end() ? it->second : number;
            });
        })
        .blocks(blocks);
}

} // namespace standin::raydeck
