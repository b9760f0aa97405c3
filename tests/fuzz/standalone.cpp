// Runs a fuzz target without libFuzzer: over the files named on the command
// line, or over random inputs (biased towards the bytes the readers care
// about) for the given number of seconds. Used where clang's libFuzzer is not
// the compiler, so the targets still run in every test run.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char **argv)
{
    double seconds = 3;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else
            files.push_back(argv[i]);
    }
    for (const auto &name : files) {
        std::ifstream in(name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    }
    if (!files.empty())
        return 0;
    static const char alphabet[] = "E0123456789ABCDEFabcdef,.-+$x =[]\r\n\n\n;Scanning\xEF\xBB\xBF"
                                   "codelminlmaxnomabsMaxComDeltatNombreLambdaMiniMaxiNomUniteSpectroBeerCinetique";
    std::mt19937 rng(20261210);
    std::vector<std::uint8_t> input;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    while (std::chrono::steady_clock::now() < end) {
        for (int batch = 0; batch < 64; ++batch, ++runs) {
            input.resize(rng() % 4096);
            for (auto &b : input)
                b = rng() % 4 == 0 ? std::uint8_t(rng()) : std::uint8_t(alphabet[rng() % (sizeof alphabet - 1)]);
            LLVMFuzzerTestOneInput(input.data(), input.size());
        }
    }
    std::printf("%ld inputs, no fault\n", runs);
    return 0;
}
