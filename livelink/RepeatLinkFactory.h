#pragma once
// The live factory: the scene sink that streams into a running RayDeck over
// the live link, for repeated transfers of one design.
//
// It carries the name of the design's model set. When a running RayDeck
// already shows that model set, the factory connects to that process and
// reports reusing, so that the transfer updates the scene an earlier transfer
// created instead of starting a new one. One factory serves one transfer:
//
//     vel::RepeatLinkFactory factory;
//     factory.setVersionRange(8, 9);
//     factory.setModelSetName("Gearbox");
//     factory.setAcceptAny(false);
//     vel::velSceneapi_oo wrapper(&factory);   // connects (sceneApi), banner, version
//     if (factory.sceneApi() == nullptr)        // the same interface, no second connect
//         report(factory.message());            // "Failed to connect. <reason>"
//     else
//         stream(wrapper, factory.isReusing());
//     if (!factory.endTransfer())               // disconnect(), unload the live library
//         report(factory.message());            // "The transfer did not complete. <reason>"
//
// Connecting (LiveConnection.h) finds the installation in the registry,
// loads the live library, lists and selects a running RayDeck, launches one
// when none qualifies and waits up to (attempts - 1) x waitMilliseconds for
// it, then connects the live scene interface. The scene interface receives,
// in this order: id(clientId), connect(host, port, count) (once per port
// tried), then everything the caller streams, and disconnect() from close()
// or the destructor.
//
// disconnect() answers whether RayDeck confirmed the transfer. endTransfer()
// reports a transfer it did not confirm, with the reason that the query
// interface can still find before the library is unloaded
// (TransferFailure.h); close() and the destructor end it without asking.
//
// Nothing here throws: a failure leaves sceneApi() null and the reason in
// message(). The factory is used from one thread. The live library is one
// per process (raydecklive_loader.h): keep at most one connected factory at a
// time, since closing one unloads the library under the others.

#include "LiveConnection.h"

#include <sceneapi/LightFactory.h>

#include <cstdint>
#include <string>

namespace vel {

class RepeatLinkFactory : public LightFactory {
public:
    // The text put before the connection's reason in message().
    static constexpr char kFailurePrefix[] = "Failed to connect. ";
    // The text put before the reason of a lost transfer in message().
    static constexpr char kTransferFailurePrefix[] = "The transfer did not complete. ";

    RepeatLinkFactory() = default;
    // Closes (see close()).
    ~RepeatLinkFactory() override;

    // The connected live scene interface, connecting first when none is held;
    // null on failure. Empties message() first; a failure sets it to
    // kFailurePrefix followed by the reason (LiveConnection.h). A connected
    // factory returns the same interface again without connecting; a failed
    // one tries the whole connection again on the next call.
    velScene_api* sceneApi() override;

    // The live link has no header: does nothing.
    void writeHeader(velSceneapi_oo& wrapper) override;

    // When connected: disconnect() on the scene interface, unload the live
    // library, forget the interface. Does nothing otherwise.
    void close() override;

    // Closes as close() does; true when RayDeck confirmed the transfer.
    // Otherwise message() is kTransferFailurePrefix followed by the reason
    // (TransferFailure.h). False, with message() left as it is, when not
    // connected.
    bool endTransfer();

    // The accepted major versions of RayDeck, both inclusive (7 to 20 unless
    // set). Used for loading the live library, for the processes listed and
    // for the installation launched.
    void setVersionRange(std::uint32_t minVersion, std::uint32_t maxVersion);
    // The model set that identifies the design's scene in RayDeck; empty (the
    // default) never matches, so the factory never reports reusing.
    void setModelSetName(std::string name);
    // Whether any running RayDeck that describes its scene may be chosen,
    // not only one showing the model set or an empty scene (false unless set).
    void setAcceptAny(bool acceptAny);

    // Whether the connected process already showed the model set; meaningful
    // after a successful sceneApi().
    bool isReusing() const { return reusing_; }
    // The reason of the last failure; empty after a successful sceneApi().
    std::string message() const { return message_; }

    // The wait for a launched RayDeck: up to attempts - 1 listings, each
    // followed by a sleep of waitMilliseconds (20 and 1000: about 19 seconds).
    // Tests and tools shorten it here.
    void setAttempts(std::uint32_t attempts) { attempts_ = attempts; }
    void setWaitMilliseconds(std::uint32_t milliseconds) { waitMilliseconds_ = milliseconds; }

    std::uint32_t attempts() const { return attempts_; }
    std::uint32_t waitMilliseconds() const { return waitMilliseconds_; }
    std::uint32_t minVersion() const { return minVersion_; }
    std::uint32_t maxVersion() const { return maxVersion_; }
    const std::string& modelSetName() const { return modelSetName_; }
    bool acceptAny() const { return acceptAny_; }
    // The value given to the scene interface's id() right after obtaining it.
    std::uint32_t clientId() const { return clientId_; }
    // What the last connection did (the library, the process, the port), as
    // far as it got.
    const live::ConnectionReport& connectionReport() const { return report_; }

private:
    std::uint32_t attempts_ = 20;
    std::uint32_t waitMilliseconds_ = 1000;
    velScene_api* sceneInterface_ = nullptr; // owned by the live library
    std::uint32_t minVersion_ = 7;
    std::uint32_t maxVersion_ = 20;
    std::string modelSetName_;
    bool acceptAny_ = false;
    bool reusing_ = false;
    std::string message_;
    std::uint32_t clientId_ = 1;
    live::ConnectionReport report_;
};

} // namespace vel
