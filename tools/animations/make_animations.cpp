// Writes the application's Lottie animations as JSON files into one folder:
//   morvex-make-animations <output folder>
//
// The connect button (200 × 200) has three states, each an opening animation played once and a
// loop that follows it: "disconnected" / "disconnected_loop", "connecting_start" /
// "connecting_loop", "connected_start" / "connected_loop". Every opening animation ends on exactly
// the picture its loop starts with, and every loop ends where it began, so hand-overs never jump.
// The feedback button (48 × 48) has "feedback_star_to_close": on its round ground, the star turns
// into a close cross.
//
// The output is a pure function of this file: fixed numbers, keys in a fixed order, no time or
// randomness, so two builds write the same bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;

constexpr double kFrameRate = 60;

struct Color {
    double r, g, b;
};
// The state colours of the look (docs/visual-design.md).
constexpr Color kWhite{1, 1, 1};
constexpr Color kGreen{149 / 255.0, 188 / 255.0, 77 / 255.0};     // connected
constexpr Color kSky{138 / 255.0, 192 / 255.0, 255 / 255.0};      // connecting
constexpr Color kGold{242 / 255.0, 176 / 255.0, 30 / 255.0};      // the feedback star
constexpr Color kInk{28 / 255.0, 28 / 255.0, 28 / 255.0};         // the close cross
constexpr Color kBrand{71 / 255.0, 114 / 255.0, 165 / 255.0};     // the feedback button's ground

double rounded(double v) { return std::round(v * 10000.0) / 10000.0; }

Json colorValue(Color c) { return Json::array({rounded(c.r), rounded(c.g), rounded(c.b), 1}); }

Json fixed(Json value) { return Json{{"a", 0}, {"k", std::move(value)}}; }

// One keyframe: a time (frame) and a value; `linear` makes the segment that starts here steady.
struct Key {
    double frame;
    std::vector<double> value;
    bool linear = false;
};

// Keyframes in the classic form every player reads: each segment names its start ("s") and end
// ("e") value and its easing; the last keyframe only marks the end time.
Json animated(const std::vector<Key>& keys) {
    Json frames = Json::array();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto& k = keys[i];
        if (i + 1 == keys.size()) {
            frames.push_back(Json{{"t", k.frame}});
            break;
        }
        auto value = [&](const std::vector<double>& v) {
            Json out = Json::array();
            for (double d : v) out.push_back(rounded(d));
            return out;
        };
        Json frame{{"t", k.frame}, {"s", value(k.value)}, {"e", value(keys[i + 1].value)}};
        // Ease in and out by default; a linear segment for steady motion (the spinning arc).
        const double outX = k.linear ? 0.0 : 0.42, inX = k.linear ? 1.0 : 0.58;
        frame["o"] = Json{{"x", Json::array({outX})}, {"y", Json::array({0.0})}};
        frame["i"] = Json{{"x", Json::array({inX})}, {"y", Json::array({1.0})}};
        frames.push_back(std::move(frame));
    }
    return Json{{"a", 1}, {"k", std::move(frames)}};
}

Json scalarKeys(std::initializer_list<std::pair<double, double>> keys, bool linear = false) {
    std::vector<Key> out;
    for (auto [frame, v] : keys) out.push_back(Key{frame, {v}, linear});
    return animated(out);
}

Json scaleKeys(std::initializer_list<std::pair<double, double>> keys) {
    std::vector<Key> out;
    for (auto [frame, v] : keys) out.push_back(Key{frame, {v, v, 100}});
    return animated(out);
}

Json groupTransform() {
    return Json{{"ty", "tr"},
                {"p", fixed(Json::array({0, 0}))},
                {"a", fixed(Json::array({0, 0}))},
                {"s", fixed(Json::array({100, 100}))},
                {"r", fixed(0)},
                {"o", fixed(100)}};
}

Json stroke(Color c, double width, Json opacity = fixed(100)) {
    return Json{{"ty", "st"}, {"c", fixed(colorValue(c))}, {"o", std::move(opacity)},
                {"w", fixed(width)}, {"lc", 2}, {"lj", 2}};
}

Json fill(Color c, Json opacity = fixed(100)) {
    return Json{{"ty", "fl"}, {"c", fixed(colorValue(c))}, {"o", std::move(opacity)}, {"r", 1}};
}

Json circle(double diameter) {
    return Json{{"ty", "el"}, {"d", 1}, {"p", fixed(Json::array({0, 0}))},
                {"s", fixed(Json::array({diameter, diameter}))}};
}

Json trim(Json start, Json end, Json offset = fixed(0)) {
    return Json{{"ty", "tm"}, {"s", std::move(start)}, {"e", std::move(end)}, {"o", std::move(offset)}, {"m", 1}};
}

Json line(double x1, double y1, double x2, double y2) {
    Json zero = Json::array({Json::array({0, 0}), Json::array({0, 0})});
    return Json{{"ty", "sh"},
                {"ks", fixed(Json{{"i", zero}, {"o", zero},
                                  {"v", Json::array({Json::array({x1, y1}), Json::array({x2, y2})})},
                                  {"c", false}})}};
}

Json group(const std::string& name, std::vector<Json> items) {
    items.push_back(groupTransform());
    return Json{{"ty", "gr"}, {"nm", name}, {"it", std::move(items)}};
}

struct LayerTransform {
    Json opacity = fixed(100);
    Json rotation = fixed(0);
    Json scale = fixed(Json::array({100, 100, 100}));
};

Json layer(int index, const std::string& name, double size, double frames, LayerTransform t,
           std::vector<Json> shapes) {
    const double c = size / 2;
    return Json{{"ddd", 0},
                {"ind", index},
                {"ty", 4},
                {"nm", name},
                {"sr", 1},
                {"ks", Json{{"o", std::move(t.opacity)},
                            {"r", std::move(t.rotation)},
                            {"p", fixed(Json::array({c, c, 0}))},
                            {"a", fixed(Json::array({0, 0, 0}))},
                            {"s", std::move(t.scale)}}},
                {"ao", 0},
                {"shapes", std::move(shapes)},
                {"ip", 0},
                {"op", frames},
                {"st", 0},
                {"bm", 0}};
}

// Front layer first.
Json animation(const std::string& name, double size, double frames, std::vector<Json> layers) {
    for (std::size_t i = 0; i < layers.size(); ++i) layers[i]["ind"] = static_cast<int>(i + 1);
    return Json{{"v", "5.5.2"}, {"fr", kFrameRate}, {"ip", 0},   {"op", frames}, {"w", size},
                {"h", size},    {"nm", name},       {"ddd", 0},  {"assets", Json::array()},
                {"layers", std::move(layers)}};
}

// --- The connect button ---------------------------------------------------------------------------
constexpr double kButton = 200;
constexpr double kRing = 140;   // ring diameter
constexpr double kDisc = 128;   // inner disc diameter

// The power glyph: a circle open at the top and a bar through the opening.
Json powerGlyph(Color c, LayerTransform t, double frames) {
    return layer(0, "glyph", kButton, frames, std::move(t),
                 {group("arc", {circle(60), trim(fixed(8.5), fixed(91.5)), stroke(c, 8)}),
                  group("bar", {line(0, -36, 0, -8), stroke(c, 8)})});
}

Json ring(Color c, Json opacity, Json drawnTo, double frames, LayerTransform t = {}) {
    return layer(0, "ring", kButton, frames, std::move(t),
                 {group("ring", {circle(kRing), trim(fixed(0), std::move(drawnTo)), stroke(c, 6, std::move(opacity))})});
}

Json disc(Color c, Json opacity, double frames) {
    return layer(0, "disc", kButton, frames, {}, {group("disc", {circle(kDisc), fill(c, std::move(opacity))})});
}

// A ring that grows outwards and fades; invisible at the first and the last frame of the loop.
Json halo(Color c, double frames, double peakFrame, double goneFrame, double grownTo, double peakOpacity) {
    LayerTransform t;
    t.opacity = scalarKeys({{0, 0}, {peakFrame, peakOpacity}, {goneFrame, 0}, {frames, 0}});
    t.scale = scaleKeys({{0, 100}, {goneFrame, grownTo}, {frames, grownTo}});
    return layer(0, "halo", kButton, frames, std::move(t), {group("halo", {circle(kRing), stroke(c, 3)})});
}

// The end picture of each opening animation, which its loop starts from.
constexpr double kRestRing = 60;        // disconnected ring opacity
constexpr double kConnectingRing = 25;  // connecting ring opacity
constexpr double kConnectingGlyph = 70;
constexpr double kArcLength = 25;       // connecting arc, percent of the circle
constexpr double kDiscOpacity = 14;
constexpr double kConnectedDisc = 30;

Json disconnected() {
    const double n = 30;
    LayerTransform glyph;
    glyph.opacity = scalarKeys({{0, 0}, {n, 100}});
    LayerTransform ringT;
    ringT.scale = scaleKeys({{0, 92}, {n, 100}});
    return animation("disconnected", kButton, n,
                     {powerGlyph(kWhite, std::move(glyph), n),
                      ring(kWhite, scalarKeys({{0, 0}, {n, kRestRing}}), fixed(100), n, std::move(ringT)),
                      disc(kWhite, fixed(kDiscOpacity), n)});
}

Json disconnectedLoop() {
    const double n = 120;
    return animation("disconnected_loop", kButton, n,
                     {powerGlyph(kWhite, {}, n), ring(kWhite, fixed(kRestRing), fixed(100), n),
                      halo(kWhite, n, 24, 100, 124, 45), disc(kWhite, fixed(kDiscOpacity), n)});
}

Json connectingArc(Json rotation, Json length, double frames) {
    LayerTransform t;
    t.rotation = std::move(rotation);
    return layer(0, "arc", kButton, frames, std::move(t),
                 {group("arc", {circle(kRing), trim(fixed(0), std::move(length)), stroke(kSky, 6)})});
}

Json connectingStart() {
    const double n = 24;
    LayerTransform glyph;
    glyph.opacity = scalarKeys({{0, 100}, {n, kConnectingGlyph}});
    return animation("connecting_start", kButton, n,
                     {connectingArc(fixed(0), scalarKeys({{0, 0}, {n, kArcLength}}), n),
                      powerGlyph(kWhite, std::move(glyph), n),
                      ring(kWhite, scalarKeys({{0, kRestRing}, {n, kConnectingRing}}), fixed(100), n),
                      disc(kWhite, fixed(kDiscOpacity), n)});
}

Json connectingLoop() {
    const double n = 60;
    LayerTransform glyph;
    glyph.opacity = fixed(kConnectingGlyph);
    return animation("connecting_loop", kButton, n,
                     {connectingArc(scalarKeys({{0, 0}, {n, 360}}, true), fixed(kArcLength), n),
                      powerGlyph(kWhite, std::move(glyph), n),
                      ring(kWhite, fixed(kConnectingRing), fixed(100), n), disc(kWhite, fixed(kDiscOpacity), n)});
}

Json connectedStart() {
    const double n = 36;
    LayerTransform glyph;
    glyph.scale = scaleKeys({{0, 100}, {14, 86}, {26, 112}, {n, 100}});
    return animation("connected_start", kButton, n,
                     {powerGlyph(kWhite, std::move(glyph), n),
                      ring(kGreen, fixed(100), scalarKeys({{0, 0}, {26, 100}, {n, 100}}), n),
                      disc(kGreen, scalarKeys({{0, 0}, {n, kConnectedDisc}}), n)});
}

Json connectedLoop() {
    const double n = 150;
    return animation("connected_loop", kButton, n,
                     {powerGlyph(kWhite, {}, n), ring(kGreen, fixed(100), fixed(100), n),
                      halo(kGreen, n, 24, 120, 130, 50), disc(kGreen, fixed(kConnectedDisc), n)});
}

// --- The feedback button ---------------------------------------------------------------------------
Json feedbackStarToClose() {
    const double size = 48, n = 30;
    LayerTransform starT;
    starT.rotation = scalarKeys({{0, 0}, {18, 72}, {n, 72}});
    starT.scale = scaleKeys({{0, 100}, {18, 0}, {n, 0}});
    Json star{{"ty", "sr"},     {"sy", 1},           {"d", 1},           {"pt", fixed(5)},
              {"p", fixed(Json::array({0, 0}))},      {"r", fixed(0)},    {"ir", fixed(7)},
              {"is", fixed(0)}, {"or", fixed(16)},   {"os", fixed(0)}};
    LayerTransform crossT;
    crossT.rotation = scalarKeys({{0, -90}, {8, -90}, {n, 0}});
    crossT.scale = scaleKeys({{0, 0}, {8, 0}, {n, 100}});
    return animation("feedback_star_to_close", size, n,
                     {layer(0, "cross", size, n, std::move(crossT),
                            {group("bars", {line(-11, -11, 11, 11), line(-11, 11, 11, -11), stroke(kInk, 4)})}),
                      layer(0, "star", size, n, std::move(starT), {group("star", {star, fill(kGold)})}),
                      layer(0, "button", size, n, {}, {group("button", {circle(44), fill(kBrand, fixed(14))})})});
}

// Whole numbers are written as integers: rlottie reads sizes, frame numbers and the like as
// integers and refuses a file that writes them as 48.0.
void wholeNumbersAsIntegers(Json& json) {
    if (json.is_number_float()) {
        const double v = json.get<double>();
        if (std::floor(v) == v && std::abs(v) < 1e15) json = static_cast<std::int64_t>(v);
    } else if (json.is_structured()) {
        for (auto& child : json) wholeNumbersAsIntegers(child);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvex-make-animations <output folder>\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    if (ec) {
        std::fprintf(stderr, "morvex-make-animations: cannot create %s: %s\n", out.c_str(), ec.message().c_str());
        return 1;
    }
    std::pair<const char*, Json> animations[] = {
        {"disconnected", disconnected()},        {"disconnected_loop", disconnectedLoop()},
        {"connecting_start", connectingStart()}, {"connecting_loop", connectingLoop()},
        {"connected_start", connectedStart()},   {"connected_loop", connectedLoop()},
        {"feedback_star_to_close", feedbackStarToClose()},
    };
    for (auto& [name, json] : animations) {
        wholeNumbersAsIntegers(json);
        const auto file = out / (std::string(name) + ".json");
        std::ofstream stream(file, std::ios::binary | std::ios::trunc);
        stream << json.dump() << '\n';
        if (!stream.flush()) {
            std::fprintf(stderr, "morvex-make-animations: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}
