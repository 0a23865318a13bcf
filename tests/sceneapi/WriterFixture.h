#pragma once
// A scene file writer over an in-memory sink, for tests that look at the
// exact text.

#include <memory>
#include <string>

#include <sceneapi/StringSink.h>
#include <sceneapi/velScene_api_file.h>

struct TextWriter {
    // A fresh writer, as the factory makes one: no indentation until
    // setModeFlags says otherwise.
    explicit TextWriter(bool binaryLists = false)
    {
        auto owned = std::make_unique<vel::StringSink>();
        sink = owned.get();
        writer = std::make_unique<velScene_api_file>(std::move(owned), binaryLists);
    }
    // The writer switched the way the export command switches it: text
    // lists (or binary with mode 2) and indentation.
    static TextWriter indented(int modeFlags = 1)
    {
        TextWriter w;
        w->setModeFlags(modeFlags);
        return w;
    }

    velScene_api_file* operator->() { return writer.get(); }
    std::string text() const { return sink->str(); }

    vel::StringSink* sink = nullptr;
    std::unique_ptr<velScene_api_file> writer;
};
