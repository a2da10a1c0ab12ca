// Stands in for libFuzzer where the compiler has none (the dev and asan builds): runs each
// saved input, then, with -seconds=N, inputs made by flipping, cutting and splicing the saved
// ones and random bytes until N seconds have passed. Exits non-zero on nothing: a broken
// invariant aborts in the target itself.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {
using Bytes = std::vector<uint8_t>;

void runOne(const Bytes& input) { LLVMFuzzerTestOneInput(input.data(), input.size()); }

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes mutate(const std::vector<Bytes>& corpus, std::mt19937& rng) {
    Bytes b = corpus.empty() ? Bytes{} : corpus[rng() % corpus.size()];
    const int steps = 1 + int(rng() % 8);
    for (int i = 0; i < steps; ++i) {
        switch (rng() % 5) {
        case 0: if (!b.empty()) b[rng() % b.size()] ^= uint8_t(1u << (rng() % 8)); break;
        case 1: b.insert(b.begin() + (b.empty() ? 0 : rng() % (b.size() + 1)), uint8_t(rng())); break;
        case 2: if (!b.empty()) b.erase(b.begin() + rng() % b.size()); break;
        case 3: if (!b.empty()) b.resize(rng() % b.size()); break;
        default:
            if (!corpus.empty()) {
                const Bytes& other = corpus[rng() % corpus.size()];
                b.insert(b.end(), other.begin(), other.begin() + (other.empty() ? 0 : rng() % other.size()));
            }
        }
    }
    if (b.size() > 4096) b.resize(4096);
    return b;
}
}  // namespace

int main(int argc, char** argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    double seconds = 0;
    std::vector<Bytes> corpus;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "-seconds=", 9) == 0) {
            seconds = std::atof(argv[i] + 9);
            continue;
        }
        const std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p)) {
            for (const auto& e : std::filesystem::directory_iterator(p))
                if (e.is_regular_file()) corpus.push_back(readFile(e.path()));
        } else {
            corpus.push_back(readFile(p));
        }
    }
    for (const Bytes& input : corpus) runOne(input);
    long made = 0;
    std::mt19937 rng(20261208);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        runOne(mutate(corpus, rng));
        ++made;
    }
    std::printf("%zu saved inputs and %ld made ones ran without a finding\n", corpus.size(), made);
    return 0;
}
