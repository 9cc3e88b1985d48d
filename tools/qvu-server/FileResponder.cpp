#include "tools/qvu-server/FileResponder.h"

#include "platform/strings.h"

#include "tools/qvu-server/FolderFiles.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Large pieces keep a 1 GiB file fast without holding more than one in memory.
constexpr std::size_t kPieceSize = 256 * 1024;

// Writes a body at no more than a rate: slices of a twentieth of a second's
// bytes, each followed by a sleep until the rate allows the next.
class Pacer {
public:
    Pacer(std::optional<std::uint64_t> rate, const std::atomic<bool>& stopping)
        : rate_(rate), stopping_(stopping) {}

    // False when the client is gone or the server stops: nothing then keeps
    // a slow answer's thread busy.
    bool Write(const char* data, std::size_t size, httplib::DataSink& sink) {
        if (!rate_)
            return sink.write(data, size);
        const std::size_t slice = std::max<std::uint64_t>(1, *rate_ / 20);
        for (std::size_t done = 0; done < size;) {
            const std::size_t count = std::min(slice, size - done);
            if (!sink.write(data + done, count))
                return false;
            done += count;
            sent_ += count;
            // Due times count from the start, so the rate holds however
            // long each write and sleep took.
            const std::chrono::duration<double> due(static_cast<double>(sent_) /
                                                    static_cast<double>(*rate_));
            std::this_thread::sleep_until(
                start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(due));
            if (stopping_)
                return false;
        }
        return true;
    }

private:
    std::optional<std::uint64_t> rate_;
    const std::atomic<bool>& stopping_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::uint64_t sent_ = 0;
};

// The body of one answer, read piece by piece as the connection takes it.
class BodySource {
public:
    BodySource(const std::filesystem::path& file, const ServerOptions& options, bool misbehaves,
               const std::atomic<bool>& stopping)
        : stream_(file, std::ios::binary), buffer_(kPieceSize), stopping_(stopping),
          pacer_(options.rate, stopping) {
        if (misbehaves) {
            cutAfter_ = options.cutAfter;
            stallAfter_ = options.stallAfter;
            trickleAfter_ = options.trickleAfter;
        }
    }

    // Sends the next piece from offset; false ends the answer by closing the
    // connection (a cut, a stall or trickle ended by the server stopping, a
    // read error).
    bool SendFrom(std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        if (stallAfter_ && offset >= *stallAfter_) {
            while (!stopping_)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return false;
        }
        if (cutAfter_ && offset >= *cutAfter_)
            return false;
        std::size_t piece = std::min(length, buffer_.size());
        for (const auto& limit : {cutAfter_, stallAfter_, trickleAfter_})
            if (limit && offset < *limit)
                piece = std::min<std::size_t>(piece, *limit - offset);
        if (trickleAfter_ && offset >= *trickleAfter_) {
            piece = 1;
            // A second's pause before each byte, cut short when the server stops.
            const auto due = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (std::chrono::steady_clock::now() < due) {
                if (stopping_)
                    return false;
                std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                    std::chrono::milliseconds(20), due - std::chrono::steady_clock::now()));
            }
        }
        // A range request starts elsewhere than where the last piece ended.
        if (offset != position_)
            stream_.seekg(static_cast<std::streamoff>(offset));
        stream_.read(buffer_.data(), static_cast<std::streamsize>(piece));
        const auto got = static_cast<std::size_t>(stream_.gcount());
        position_ = offset + got;
        return got > 0 && pacer_.Write(buffer_.data(), got, sink);
    }

    // For an answer without length: sends the next piece, or ends the body.
    bool SendOrEnd(std::size_t offset, httplib::DataSink& sink) {
        if (stream_.peek() == std::char_traits<char>::eof() &&
            !(stallAfter_ && offset >= *stallAfter_)) {
            sink.done();
            return true;
        }
        return SendFrom(offset, buffer_.size(), sink);
    }

private:
    std::ifstream stream_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::optional<std::uint64_t> cutAfter_;
    std::optional<std::uint64_t> stallAfter_;
    std::optional<std::uint64_t> trickleAfter_;
    const std::atomic<bool>& stopping_;
    Pacer pacer_;
};

// Pages are shown by the update manager's page view, which takes anything
// else for a download; every other file is bytes.
const char* ContentType(const std::filesystem::path& file) {
    const std::string extension = file.extension().string();
    if (ascii::EqualsIgnoringCase(extension, ".html") ||
        ascii::EqualsIgnoringCase(extension, ".htm"))
        return "text/html; charset=utf-8";
    return "application/octet-stream";
}

} // namespace

FileResponder::FileResponder(const ServerOptions& options, std::filesystem::path folder,
                             const std::atomic<bool>& stopping)
    : options_(options), folder_(std::move(folder)), stopping_(stopping) {}

void FileResponder::operator()(const httplib::Request& request, httplib::Response& response) const {
    const bool misbehaves = options_.AppliesTo(request.target);
    if (misbehaves && !options_.redirect.empty()) {
        response.status = 302;
        response.set_header("Location", options_.redirect + request.target);
        response.set_content("moved\n", "text/plain");
        return;
    }
    const std::string name =
        request.has_param("File") ? request.get_param_value("File") : request.path;
    const FolderLookup lookup = FindInFolder(folder_, name);
    if (lookup.status != 200) {
        response.status = lookup.status;
        response.set_content(lookup.status == 403 ? "forbidden\n" : "not found\n", "text/plain");
        return;
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(lookup.file, error);
    const auto modified = std::filesystem::last_write_time(lookup.file, error);
    if (error) {
        response.status = 404;
        response.set_content("not found\n", "text/plain");
        return;
    }

    response.status = misbehaves && options_.status ? *options_.status : 200;
    if (!misbehaves || options_.lastModified)
        response.set_header("Last-Modified", HttpDate(modified));
    if (misbehaves && options_.attachment)
        response.set_header("Content-Disposition",
                            "attachment; filename=\"" + lookup.file.filename().string() + "\"");
    auto source = std::make_shared<BodySource>(lookup.file, options_, misbehaves, stopping_);
    if (!misbehaves || !options_.EndsBodiesByClosing()) {
        response.set_content_provider(
            size, ContentType(lookup.file),
            [source](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                return source->SendFrom(offset, length, sink);
            });
    } else {
        if (options_.contentLengthText)
            response.set_header("Content-Length", *options_.contentLengthText);
        response.set_content_provider(ContentType(lookup.file),
                                      [source](std::size_t offset, httplib::DataSink& sink) {
                                          return source->SendOrEnd(offset, sink);
                                      });
    }
}
