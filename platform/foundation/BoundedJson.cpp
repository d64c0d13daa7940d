#include "foundation/BoundedJson.h"

#include <exception>
#include <limits>
#include <optional>
#include <vector>

namespace morvex::json {

namespace {

using nlohmann::json;

// Builds the document from the reader's events. It keeps its own stack of open containers, so the
// depth bound is checked when a container opens; the element counts that CBOR headers claim are
// ignored (the library's own builder throws for counts past max_size()).
class Builder {
public:
    explicit Builder(std::size_t maxDepth) : maxDepth_(maxDepth) {}

    bool null() { return add(json(nullptr)); }
    bool boolean(bool v) { return add(json(v)); }
    bool number_integer(json::number_integer_t v) { return add(json(v)); }
    bool number_unsigned(json::number_unsigned_t v) { return add(json(v)); }
    bool number_float(json::number_float_t v, const std::string&) { return add(json(v)); }
    bool string(json::string_t& v) { return add(json(std::move(v))); }
    bool binary(json::binary_t& v) { return add(json::binary(std::vector<std::uint8_t>(v.begin(), v.end()))); }

    bool start_object(std::size_t) { return open(json::object()); }
    bool key(json::string_t& k) {
        key_ = std::move(k);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(json::array()); }
    bool end_array() { return close(); }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::json::exception& e) {
        if (error_.empty()) error_ = "unreadable at byte " + std::to_string(position) + ": " + e.what();
        return false;
    }

    json& root() { return root_; }
    const std::string& error() const { return error_; }

private:
    bool add(json&& v) {
        if (open_.empty()) {
            root_ = std::move(v);
            last_ = &root_;
            return true;
        }
        json& top = *open_.back();
        if (top.is_array()) {
            top.get_ref<json::array_t&>().push_back(std::move(v));
            last_ = &top.get_ref<json::array_t&>().back();
        } else {
            json& slot = top.get_ref<json::object_t&>()[key_];
            slot = std::move(v);
            last_ = &slot;
        }
        return true;
    }
    bool open(json&& container) {
        if (open_.size() >= maxDepth_) {
            error_ = std::string(kTooDeep);
            return false;
        }
        add(std::move(container));
        open_.push_back(last_);
        return true;
    }
    bool close() {
        if (open_.empty()) return false;
        open_.pop_back();
        return true;
    }

    std::size_t maxDepth_;
    json root_;
    json* last_ = nullptr;
    std::vector<json*> open_;
    std::string key_;
    std::string error_;
};

template <class Run>
std::expected<json, std::string> build(std::size_t maxDepth, Run run) {
    Builder builder(maxDepth);
    try {
        if (!run(builder)) {
            return std::unexpected(builder.error().empty() ? std::string("unreadable") : builder.error());
        }
    } catch (const std::exception& e) {
        // The reader should report through parse_error; anything it throws instead is damage too.
        return std::unexpected(std::string("unreadable: ") + e.what());
    }
    return std::move(builder.root());
}

// The common shape of what the stores write, read directly: definite lengths, text strings,
// integers, maps, arrays, booleans and null. A text string is taken in one copy where the general
// reader below appends it byte by byte, which for the long values the preferences hold (the
// location list, some hundred kilobytes) was most of the start's reading of them. Anything
// outside that shape, anything nested past the bound and any damage gives nullopt, and the general
// reader reads the bytes again: it alone decides what is refused and why.
class DirectCbor {
public:
    DirectCbor(const std::uint8_t* data, std::size_t size, std::size_t maxDepth) : in_(data, size), maxDepth_(maxDepth) {}

    std::optional<json> document() {
        json out;
        if (!item(out, 0) || !in_.atEnd()) return std::nullopt;
        return out;
    }

private:
    bool text(std::string& out) {
        std::string_view view;
        if (!in_.text(view)) return false;
        out.assign(view);
        return true;
    }

    bool item(json& out, std::size_t depth) {
        if (in_.atEnd()) return false;
        const std::uint8_t initial = *in_.position();
        unsigned major = 0;
        std::uint64_t n = 0;
        if (!in_.head(major, n)) return false;
        switch (major) {
        case 0: out = static_cast<json::number_unsigned_t>(n); return true;
        case 1:
            if (n > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
            out = static_cast<json::number_integer_t>(-1 - static_cast<std::int64_t>(n));
            return true;
        case 3: {
            std::string_view bytes;
            if (!in_.take(n, bytes)) return false;
            out = std::string(bytes);
            return true;
        }
        case 4:
        case 5: {
            if (depth >= maxDepth_) return false;
            // Each element takes at least a byte: a count the remaining bytes cannot hold is damage.
            if (n > in_.left()) return false;
            out = major == 4 ? json::array() : json::object();
            for (std::uint64_t i = 0; i < n; ++i) {
                json element;
                if (major == 4) {
                    if (!item(element, depth + 1)) return false;
                    out.get_ref<json::array_t&>().push_back(std::move(element));
                } else {
                    std::string key;
                    if (!text(key) || !item(element, depth + 1)) return false;
                    out.get_ref<json::object_t&>()[std::move(key)] = std::move(element);
                }
            }
            return true;
        }
        case 7:
            if (initial == 0xF4 || initial == 0xF5) out = initial == 0xF5;
            else if (initial == 0xF6) out = nullptr;
            else return false;  // floats and the rest: the general reader
            return true;
        default: return false;  // byte strings and tags: the general reader
        }
    }

    CborReader in_;
    std::size_t maxDepth_;
};

}  // namespace

std::expected<nlohmann::json, std::string> parseText(std::string_view text, std::size_t maxDepth) {
    return build(maxDepth, [&](Builder& b) {
        return nlohmann::json::sax_parse(text.begin(), text.end(), &b, nlohmann::json::input_format_t::json, true);
    });
}

bool CborReader::head(unsigned& major, std::uint64_t& argument) {
    if (p_ == end_) return false;
    const std::uint8_t initial = *p_++;
    major = initial >> 5;
    const unsigned info = initial & 0x1Fu;
    if (info < 24) {
        argument = info;
        return true;
    }
    if (info > 27) return false;
    const std::size_t bytes = std::size_t{1} << (info - 24);
    if (left() < bytes) return false;
    argument = 0;
    for (std::size_t i = 0; i < bytes; ++i) argument = argument << 8 | *p_++;
    return true;
}

bool CborReader::take(std::uint64_t n, std::string_view& bytes) {
    if (n > left()) return false;
    bytes = std::string_view(reinterpret_cast<const char*>(p_), static_cast<std::size_t>(n));
    p_ += n;
    return true;
}

bool CborReader::text(std::string_view& out) {
    unsigned major = 0;
    std::uint64_t length = 0;
    return head(major, length) && major == 3 && take(length, out);
}

bool CborReader::skip(std::size_t maxDepth) {
    unsigned major = 0;
    std::uint64_t n = 0;
    if (!head(major, n)) return false;
    std::string_view ignored;
    switch (major) {
    case 0:
    case 1:
    case 7: return true;  // numbers, simple values and floats are all in the head
    case 2:
    case 3: return take(n, ignored);
    case 4:
    case 5: {
        if (maxDepth == 0) return false;
        // Every item takes at least a byte: a count the bytes cannot hold is refused before the walk.
        if (n > left() || (major == 5 && n > left() / 2)) return false;
        for (std::uint64_t i = 0; i < (major == 5 ? 2 * n : n); ++i)
            if (!skip(maxDepth - 1)) return false;
        return true;
    }
    default: return false;  // tags
    }
}

std::expected<nlohmann::json, std::string> parseCbor(const std::uint8_t* data, std::size_t size, std::size_t maxDepth) {
    if (auto direct = DirectCbor(data, size, maxDepth).document()) return std::move(*direct);
    return build(maxDepth, [&](Builder& b) {
        return nlohmann::json::sax_parse(data, data + size, &b, nlohmann::json::input_format_t::cbor, true);
    });
}

}  // namespace morvex::json
