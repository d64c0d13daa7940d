// Runs a fuzz target on bounded random inputs where libFuzzer is not available: the seeds of its
// corpus, then random bytes and random changes to the seeds (bytes changed, flipped, cut, put in,
// spliced from another seed, the end cut off), for a fixed number of rounds. Both the helper's
// readers and the application's file readers use it.
//   driver ROUNDS CORPUS-DIRECTORY [RANDOM-SEED]
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
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ROUNDS CORPUS-DIRECTORY [RANDOM-SEED]\n", argv[0]);
        return 2;
    }
    const long rounds = std::atol(argv[1]);
    const unsigned seed = argc > 3 ? static_cast<unsigned>(std::atol(argv[3])) : std::random_device{}();
    std::vector<std::string> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        seeds.push_back(s.str());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seeds in %s\n", argv[2]);
        return 2;
    }
    std::printf("fuzz driver: %ld rounds, %zu seeds, random seed %u\n", rounds, seeds.size(), seed);
    std::mt19937 rng(seed);
    auto run = [](const std::string& s) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    };
    for (const auto& s : seeds) run(s);
    for (long i = 0; i < rounds; ++i) {
        std::string s;
        if (rng() % 4 == 0) {
            s.resize(rng() % 96);
            for (auto& c : s) c = static_cast<char>(rng());
        } else {
            s = seeds[rng() % seeds.size()];
            if (rng() % 2) s += seeds[rng() % seeds.size()];
            for (int k = rng() % 4; k >= 0 && !s.empty(); --k) {
                const auto at = rng() % s.size();
                switch (rng() % 6) {
                    case 0: s[at] = static_cast<char>(rng()); break;
                    case 1: s.erase(at, 1 + rng() % 8); break;
                    case 2: s.insert(at, 1, static_cast<char>(rng())); break;
                    case 3: s[at] = static_cast<char>(s[at] ^ (1 << (rng() % 8))); break;
                    case 4: s.resize(at); break;
                    default: {
                        // A piece of one seed in the middle of this one.
                        const auto& other = seeds[rng() % seeds.size()];
                        if (other.empty()) break;
                        const auto from = rng() % other.size();
                        s.insert(at, other.substr(from, 1 + rng() % 24));
                        break;
                    }
                }
            }
        }
        run(s);
    }
    std::printf("%ld passed, 0 failed\n", rounds);
    return 0;
}
