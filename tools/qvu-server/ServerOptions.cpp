#include "tools/qvu-server/ServerOptions.h"

#include <charconv>

const char* const kUsage =
    "usage: qvu-server --root DIR [--port N] [--tls CERT KEY] [--log FILE]\n"
    "                  [--cut-after BYTES] [--stall-after BYTES] [--trickle-after BYTES]\n"
    "                  [--status CODE]\n"
    "                  [--no-content-length] [--content-length TEXT] [--no-last-modified]\n"
    "                  [--redirect ADDRESS] [--close-in-header] [--trickle-headers]\n"
    "                  [--attachment] [--only PATH] [--rate BYTES]\n"
    "\n"
    "Serves the files of DIR over HTTP on 127.0.0.1 only, with Content-Length and\n"
    "Last-Modified (the file's modification time). \"/?File=NAME\" answers the file\n"
    "NAME of DIR (slashes lead into subfolders, \"..\" is refused); any other path\n"
    "\"/dir/file\" answers that file of DIR. GET and HEAD.\n"
    "\n"
    "  --root DIR           the folder to serve (required)\n"
    "  --port N             the port; 0 or none picks a free one\n"
    "  --tls CERT KEY       serve HTTPS with the certificate and private key (PEM files)\n"
    "  --log FILE           append every request's line and headers to FILE\n"
    "  --cut-after BYTES    close the connection after that many body bytes,\n"
    "                       although Content-Length announced the whole file\n"
    "  --stall-after BYTES  send nothing more after that many body bytes, but keep\n"
    "                       the connection open\n"
    "  --trickle-after BYTES  after that many body bytes, send one byte a second:\n"
    "                       the connection stays busy while the body hardly moves\n"
    "  --status CODE        answer that status code (200 to 599) with the file's body\n"
    "  --no-content-length  send the body without Content-Length, ending it by closing\n"
    "  --content-length TEXT  send \"Content-Length: TEXT\" (e.g. abc or -5) instead of\n"
    "                       the size, ending the body by closing\n"
    "  --no-last-modified   send no Last-Modified\n"
    "  --redirect ADDRESS   answer 302 with Location: ADDRESS followed by the request\n"
    "                       target (e.g. http://127.0.0.1:8080 for /?File=QVU.ini)\n"
    "  --close-in-header    send part of the status line and headers, then close;\n"
    "                       every request (not with --only)\n"
    "  --trickle-headers    send the status line, then a header line every 300 ms\n"
    "                       without ever ending the headers; every request (not\n"
    "                       with --only)\n"
    "  --attachment         send the file as an attachment to store (Content-Disposition)\n"
    "  --only PATH          the switches above apply to this request target only\n"
    "                       (as sent, e.g. \"/?File=QVU.ini\"); all else is served normally\n"
    "  --rate BYTES         send every file's body (QVU.ini too, whatever --only says)\n"
    "                       at no more than BYTES bytes per second, in slices of at\n"
    "                       most BYTES/20 (e.g. 524288: a 1 MiB package takes 2 s)\n"
    "  --help               this text\n"
    "\n"
    "The first line on standard output is \"listening on http://127.0.0.1:PORT\"\n"
    "(https with --tls).\n"
    "SIGTERM or SIGINT ends the server with exit code 0.\n";

namespace {

template <class Number> bool ParseNumber(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

ParsedCommandLine Failure(std::string error) {
    ParsedCommandLine parsed;
    parsed.error = std::move(error);
    return parsed;
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine parsed;
    ServerOptions& options = parsed.options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help") {
            parsed.action = ParsedCommandLine::Action::Help;
            return parsed;
        }
        if (name == "--no-content-length") {
            options.contentLength = false;
            continue;
        }
        if (name == "--no-last-modified") {
            options.lastModified = false;
            continue;
        }
        if (name == "--attachment") {
            options.attachment = true;
            continue;
        }
        if (name == "--close-in-header" || name == "--trickle-headers") {
            options.headerFault =
                name == "--close-in-header" ? HeaderFault::Cut : HeaderFault::Trickle;
            continue;
        }
        if (name == "--tls") {
            if (i + 2 >= arguments.size())
                return Failure("--tls needs a certificate and a key");
            options.certificate = arguments[++i];
            options.privateKey = arguments[++i];
            continue;
        }
        if (i + 1 == arguments.size())
            return Failure("unknown option or missing value: " + name);
        const std::string& value = arguments[++i];
        std::uint64_t bytes = 0;
        int number = 0;
        if (name == "--root") {
            options.root = value;
        } else if (name == "--only") {
            options.only = value;
        } else if (name == "--log") {
            options.requestLog = value;
        } else if (name == "--content-length") {
            options.contentLengthText = value;
        } else if (name == "--redirect") {
            options.redirect = value;
        } else if (name == "--port") {
            if (!ParseNumber(value, number) || number < 0 || number > 65535)
                return Failure("bad port: " + value);
            options.port = number;
        } else if (name == "--status") {
            if (!ParseNumber(value, number) || number < 200 || number > 599)
                return Failure("bad status code: " + value);
            options.status = number;
        } else if (name == "--cut-after" || name == "--stall-after" || name == "--trickle-after") {
            if (!ParseNumber(value, bytes))
                return Failure("bad byte count: " + value);
            (name == "--cut-after"     ? options.cutAfter
             : name == "--stall-after" ? options.stallAfter
                                       : options.trickleAfter) = bytes;
        } else if (name == "--rate") {
            if (!ParseNumber(value, bytes) || bytes == 0)
                return Failure("bad rate: " + value);
            options.rate = bytes;
        } else {
            return Failure("unknown option: " + name);
        }
    }
    if (options.root.empty())
        return Failure("--root is required");
    if (options.headerFault != HeaderFault::None && !options.only.empty())
        return Failure("--close-in-header and --trickle-headers answer every request; they "
                       "cannot go with --only");
    if (options.headerFault != HeaderFault::None && options.Secure())
        return Failure("--close-in-header and --trickle-headers break plain HTTP answers; they "
                       "cannot go with --tls");
    parsed.action = ParsedCommandLine::Action::Run;
    return parsed;
}
