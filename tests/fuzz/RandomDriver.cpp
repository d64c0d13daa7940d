// Runs the fuzz target on bounded random inputs where libFuzzer is not available: the seed
// frames, then random bytes and random changes to the seeds, for a fixed number of rounds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "foundation/FrameCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    using namespace morvex::wire;
    const long rounds = argc > 1 ? std::atol(argv[1]) : 200000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : std::random_device{}();
    std::printf("frame decoder driver: %ld rounds, seed %u\n", rounds, seed);
    std::mt19937 rng(seed);
    const std::vector<std::string> seeds = {
        *encodeFrame({FrameKind::Command, 1, {"getVersion"}}),
        *encodeFrame({FrameKind::Command, 2, {"enableFirewall", "table inet t {\n}\n"}}),
        *encodeFrame({FrameKind::ReplyNumber, 2, {"-1"}}),
        *encodeFrame({FrameKind::LogStdErr, 0, {"Status: Enabled\n"}}),
    };
    auto run = [](const std::string& s) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    };
    for (const auto& s : seeds) run(s);
    for (long i = 0; i < rounds; ++i) {
        std::string s;
        if (rng() % 2) {
            s.resize(rng() % 96);
            for (auto& c : s) c = static_cast<char>(rng());
        } else {
            s = seeds[rng() % seeds.size()] + seeds[rng() % seeds.size()];
            for (int k = rng() % 4; k >= 0; --k) {
                const auto at = rng() % s.size();
                switch (rng() % 3) {
                    case 0: s[at] = static_cast<char>(rng()); break;
                    case 1: s.erase(at, 1 + rng() % 3); break;
                    default: s.insert(at, 1, static_cast<char>(rng())); break;
                }
                if (s.empty()) break;
            }
        }
        run(s);
    }
    std::printf("%ld passed, 0 failed\n", rounds);
    return 0;
}
