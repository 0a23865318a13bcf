#include "LoopbackStream.h"

#include <asio.hpp>

#include <utility>

namespace standin::raydeck {

struct LoopbackStream::Impl {
    asio::io_context io;
    asio::ip::tcp::socket socket{io};

    // Runs the pending operation to its end. When the time is up first, the
    // socket is closed, which completes the operation as cancelled.
    bool runFor(Milliseconds timeout)
    {
        io.restart();
        io.run_for(timeout);
        if (io.stopped())
            return true;
        asio::error_code ignored;
        socket.close(ignored);
        io.run();
        return false;
    }
};

LoopbackStream::LoopbackStream(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

LoopbackStream::~LoopbackStream()
{
    close();
}

std::unique_ptr<LoopbackStream> LoopbackStream::connect(int port, Milliseconds timeout, std::string* whyNot)
{
    const auto fail = [&](const std::string& reason) {
        if (whyNot != nullptr)
            *whyNot = reason;
        return nullptr;
    };
    if (port < 1 || port > 65535)
        return fail("no such port: " + std::to_string(port));
    auto impl = std::make_unique<Impl>();
    asio::error_code result = asio::error::would_block;
    const asio::ip::tcp::endpoint endpoint(asio::ip::address_v4::loopback(), static_cast<unsigned short>(port));
    impl->socket.async_connect(endpoint, [&](const asio::error_code& error) { result = error; });
    if (!impl->runFor(timeout))
        return fail("no answer on port " + std::to_string(port) + " in time");
    if (result)
        return fail("cannot connect to port " + std::to_string(port) + ": " + result.message());
    asio::error_code ignored;
    impl->socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    return std::unique_ptr<LoopbackStream>(new LoopbackStream(std::move(impl)));
}

bool LoopbackStream::isOpen() const
{
    return impl_ && impl_->socket.is_open();
}

void LoopbackStream::close()
{
    if (impl_ && impl_->socket.is_open()) {
        asio::error_code ignored;
        impl_->socket.close(ignored);
    }
}

bool LoopbackStream::send(const char* data, std::size_t size, Milliseconds timeout)
{
    if (!isOpen()) {
        lastError_ = "the connection is closed";
        return false;
    }
    if (size == 0)
        return true;
    asio::error_code result = asio::error::would_block;
    asio::async_write(impl_->socket, asio::buffer(data, size),
                      [&](const asio::error_code& error, std::size_t) { result = error; });
    if (!impl_->runFor(timeout)) {
        lastError_ = "the peer took nothing in time";
        return false;
    }
    if (result) {
        lastError_ = result.message();
        close();
        return false;
    }
    return true;
}

bool LoopbackStream::finishSending()
{
    if (!isOpen())
        return false;
    asio::error_code error;
    impl_->socket.shutdown(asio::ip::tcp::socket::shutdown_send, error);
    if (error) {
        lastError_ = error.message();
        close();
        return false;
    }
    return true;
}

std::optional<std::string> LoopbackStream::receiveAll(Milliseconds timeout, std::size_t maxBytes)
{
    if (!isOpen()) {
        lastError_ = "the connection is closed";
        return std::nullopt;
    }
    std::string received;
    asio::error_code result = asio::error::would_block;
    // One byte more than allowed tells a reply that is too long from one
    // that fits exactly.
    asio::async_read(impl_->socket, asio::dynamic_buffer(received, maxBytes + 1),
                     [&](const asio::error_code& error, std::size_t) { result = error; });
    if (!impl_->runFor(timeout)) {
        lastError_ = "no whole answer in time";
        return std::nullopt;
    }
    close();
    if (result != asio::error::eof && result) {
        lastError_ = result.message();
        return std::nullopt;
    }
    if (received.size() > maxBytes) {
        lastError_ = "the answer is too long";
        return std::nullopt;
    }
    return received;
}

} // namespace standin::raydeck
