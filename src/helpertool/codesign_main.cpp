// morvex-codesign: the build's signing tool.
//   morvex-codesign genkey KEY.pem          makes a new Ed25519 key unless KEY.pem exists
//   morvex-codesign sign KEY.pem PROGRAM    writes PROGRAM.sig
//   morvex-codesign verify PROGRAM          checks PROGRAM against PROGRAM.sig
#include <cstdio>
#include <filesystem>
#include <string>

#include "helpertool/CodeSignature.h"

int main(int argc, char** argv) {
    using namespace morvex::helper;
    const std::string cmd = argc > 1 ? argv[1] : "";
    auto failWith = [](const morvex::Error& e) {
        std::fprintf(stderr, "morvex-codesign: %s\n", e.localizedDescription().c_str());
        return 1;
    };
    if (cmd == "genkey" && argc == 3) {
        if (std::filesystem::exists(argv[2])) return 0;
        auto r = generateSigningKey(argv[2]);
        return r ? 0 : failWith(r.error());
    }
    if (cmd == "sign" && argc == 4) {
        auto r = signProgram(argv[3], argv[2]);
        return r ? 0 : failWith(r.error());
    }
    if (cmd == "verify" && argc == 3) {
        auto r = checkSignature(argv[2], std::string(argv[2]) + std::string(kSignatureSuffix));
        return r ? 0 : failWith(r.error());
    }
    std::fprintf(stderr, "usage: morvex-codesign genkey KEY | sign KEY PROGRAM | verify PROGRAM\n");
    return 2;
}
