// A certificate authority of the test's own for https on 127.0.0.1: a
// self-signed certificate for 127.0.0.1 and localhost with its private key,
// made afresh in a folder. qvu-server serves TLS with them (--tls CERT KEY),
// and the internet functions trust the certificate through QVU_CA_FILE, for
// that test only; verification itself stays on.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qvutest {

class TestCertificate {
public:
    // Writes certificate.pem and key.pem into folder (created when missing).
    explicit TestCertificate(const std::filesystem::path& folder);

    // Whether both files were written.
    bool Made() const { return made_; }
    const std::filesystem::path& CertificateFile() const { return certificate_; }
    const std::filesystem::path& KeyFile() const { return key_; }
    // qvu-server's switches that serve https with this certificate.
    std::vector<std::string> ServerArguments() const {
        return {"--tls", certificate_.string(), key_.string()};
    }

private:
    std::filesystem::path certificate_;
    std::filesystem::path key_;
    bool made_ = false;
};

} // namespace qvutest
