// The texts the live library's query interface returns, under fuzzing: the
// instance list and the scene descriptions, read as the live link reads them
// when it picks a RayDeck process. An input is the list text, then, after
// each zero byte, one description; attached processes describe their scenes
// with them in turn.
#include <livelink/InstanceList.h>
#include <livelink/InstanceSelection.h>
#include <livelink/LiveLibrary.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class FuzzedQuery final : public vel::live::QueryApi {
public:
    explicit FuzzedQuery(std::vector<std::string> texts) : texts_(std::move(texts)) {}

    const char* listInstances() override { return texts_.front().c_str(); }
    // Every third process cannot be attached.
    bool attach(std::int64_t processId) override { return processId % 3 != 0; }
    void detach() override {}
    const char* describeScene() override
    {
        if (texts_.size() < 2)
            return nullptr;
        const std::string& text = texts_[1 + next_ % (texts_.size() - 1)];
        ++next_;
        return text.c_str();
    }

private:
    std::vector<std::string> texts_;
    std::size_t next_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> texts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            texts.emplace_back();
        else
            texts.back().push_back(static_cast<char>(data[i]));
    }
    FuzzedQuery query(std::move(texts));
    const std::vector<vel::live::InstanceRecord> instances = vel::live::listInstances(query, 0, 100);
    for (const bool acceptAny : {false, true})
        (void)vel::live::selectInstance(query, instances, {"Gearbox", acceptAny});
    return 0;
}
