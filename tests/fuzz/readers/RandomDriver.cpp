// Runs a reader's fuzz target on bounded random inputs where libFuzzer is not available: the seed
// files of its corpus folder, then random bytes and random changes to the seeds (cut, spliced,
// repeated), for a fixed number of rounds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <seed folder> [rounds] [seed]\n", argv[0]);
        return 2;
    }
    const long rounds = argc > 2 ? std::atol(argv[2]) : 20000;
    const unsigned seed = argc > 3 ? static_cast<unsigned>(std::atol(argv[3])) : std::random_device{}();
    std::vector<std::string> seeds;
    for (const auto& e : std::filesystem::directory_iterator(argv[1])) {
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        seeds.push_back(text.str());
    }
    if (seeds.empty()) seeds.emplace_back();
    std::printf("%s: %zu seeds, %ld rounds, random seed %u\n", argv[0], seeds.size(), rounds, seed);
    std::mt19937 rng(seed);
    auto run = [](const std::string& s) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    };
    for (const auto& s : seeds) run(s);
    for (long i = 0; i < rounds; ++i) {
        std::string s;
        if (rng() % 8 == 0) {
            s.resize(rng() % 256);
            for (auto& c : s) c = static_cast<char>(rng());
        } else {
            s = seeds[rng() % seeds.size()];
            for (int k = rng() % 6; k >= 0; --k) {
                if (s.empty()) break;
                const auto at = rng() % s.size();
                switch (rng() % 5) {
                    case 0: s[at] = static_cast<char>(rng()); break;
                    case 1: s[at] ^= static_cast<char>(1 << (rng() % 8)); break;
                    case 2: s.erase(at, 1 + rng() % 8); break;
                    case 3: s.insert(at, s.substr(rng() % s.size(), rng() % 16)); break;
                    default: s.resize(at); break;
                }
            }
        }
        run(s);
    }
    std::printf("%ld passed, 0 failed\n", rounds + static_cast<long>(seeds.size()));
    return 0;
}
