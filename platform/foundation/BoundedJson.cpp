#include "foundation/BoundedJson.h"

#include <exception>
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

}  // namespace

std::expected<nlohmann::json, std::string> parseText(std::string_view text, std::size_t maxDepth) {
    return build(maxDepth, [&](Builder& b) {
        return nlohmann::json::sax_parse(text.begin(), text.end(), &b, nlohmann::json::input_format_t::json, true);
    });
}

std::expected<nlohmann::json, std::string> parseCbor(const std::uint8_t* data, std::size_t size, std::size_t maxDepth) {
    return build(maxDepth, [&](Builder& b) {
        return nlohmann::json::sax_parse(data, data + size, &b, nlohmann::json::input_format_t::cbor, true);
    });
}

}  // namespace morvex::json
