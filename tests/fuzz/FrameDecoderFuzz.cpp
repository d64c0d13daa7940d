// Fuzz target of the helper's frame decoder: whatever the bytes, decoding never reads out of
// bounds, and every frame it accepts encodes back to exactly the bytes it came from.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "foundation/FrameCodec.h"

using namespace morvex::wire;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const DecodeResult whole = decodeFrame(input);
    if (whole.consumed > size) std::abort();
    if (whole.status == DecodeStatus::Frame) {
        const auto again = encodeFrame(whole.frame);
        if (!again || *again != input.substr(0, whole.consumed)) std::abort();
    }
    // A small cap on the same bytes.
    if (decodeFrame(input, 64).consumed > size) std::abort();

    // The same bytes as a stream in pieces whose sizes the input itself picks.
    FrameReader reader;
    std::size_t at = 0;
    std::size_t step = size ? (data[0] % 7) + 1 : 1;
    while (at < size) {
        const std::size_t n = step < size - at ? step : size - at;
        reader.append(input.substr(at, n));
        at += n;
        step = (step * 5 + 3) % 11 + 1;
        for (;;) {
            const DecodeResult r = reader.next();
            if (r.status == DecodeStatus::NeedMore) break;
            if (r.status == DecodeStatus::Oversized) return 0;
            if (r.status == DecodeStatus::Frame && r.frame.items.size() > size) std::abort();
        }
    }
    return 0;
}
