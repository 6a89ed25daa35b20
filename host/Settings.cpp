#include "Settings.h"

#include <charconv>

#include "InputError.h"
#include "platform/text.h"
#include "zqutil/PersistentAttributes.h"

namespace renps {
namespace {

using json = nlohmann::ordered_json;

class SettingsWalker {
 public:
  explicit SettingsWalker(std::string file) : file_(std::move(file)) {}

  // Fills `out` when it is given; only checks otherwise.
  void List(const json& value, const std::string& path, AttributeBytesList* out, int depth) const {
    if (!value.is_object()) Fail(path, std::string("expected an object of feature numbers, got ") + Kind(value));
    if (depth > kAttributeBytesMaxDepth) Fail(path, "collections nest deeper than 8 levels");
    for (const auto& [key, member] : value.items()) {
      std::string mp = path;
      mp += "/";
      mp += key;
      const auto feature = FeatureNumber(key, mp);
      Setting(member, mp, feature, out, depth);
    }
  }

 private:
  void Setting(const json& v, const std::string& path, AttributeBytesFeatureId feature, AttributeBytesList* out,
               int depth) const {
    if (v.is_null()) {
      if (out) out->SetIsSpecified(feature, false);
    } else if (v.is_boolean()) {
      if (out) out->SetBooleanValue(feature, v.get<bool>());
    } else if (v.is_string()) {
      const auto text = platform::FromUtf8(v.get<std::string>());
      if (out) out->SetStringValue(feature, CXString(text));
    } else if (v.is_number()) {
      const auto option = OptionValue(v, path);
      if (out) out->SetOptionValue(feature, option);
    } else if (v.is_array()) {
      AttributeBytesListValue list;
      for (std::size_t i = 0; i < v.size(); ++i)
        ListItem(v[i], path + "/" + std::to_string(i), out ? &list : nullptr, depth);
      if (out) out->SetList(feature, list);
    } else if (IsTyped(v)) {
      Typed(v, path, feature, out);
    } else {
      AttributeBytesIndexedList collection;
      List(v, path, out ? &collection : nullptr, depth + 1);
      if (out) out->SetCollection(feature, collection);
    }
  }

  void ListItem(const json& v, const std::string& path, AttributeBytesListValue* out, int depth) const {
    if (v.is_number()) {
      const auto option = OptionValue(v, path);
      if (out) out->AppendOptionValue(option);
    } else if (v.is_object() && v.contains("name")) {
      CXString name;
      AttributeBytesValueEnum option = kAttributeBytesNoValue;
      NewValue(v, path, name, option);
      if (out) out->AppendNewValueId(name, option);
    } else if (v.is_object() && !IsTyped(v)) {
      AttributeBytesIndexedList collection;
      List(v, path, out ? &collection : nullptr, depth + 1);
      if (out) out->AppendCollection(collection);
    } else {
      Fail(path, std::string("expected an option value, {\"name\": ...} or a collection, got ") + Kind(v));
    }
  }

  static bool IsTyped(const json& v) {
    return v.contains("int") || v.contains("paper") || v.contains("name") || v.contains("option");
  }

  void Typed(const json& v, const std::string& path, AttributeBytesFeatureId feature, AttributeBytesList* out) const {
    if (v.contains("int")) {
      Only(v, path, {"int"});
      const json& n = v["int"];
      if (!n.is_number_integer() || (n.is_number_unsigned() && n.get<std::uint64_t>() > INT32_MAX) ||
          (!n.is_number_unsigned() && (n.get<std::int64_t>() < INT32_MIN || n.get<std::int64_t>() > INT32_MAX)))
        Fail(path + "/int", std::string("expected a 32-bit integer, got ") + Kind(n));
      if (out) out->SetIntegerValue(feature, static_cast<std::int32_t>(n.get<std::int64_t>()));
    } else if (v.contains("paper")) {
      Only(v, path, {"paper"});
      const json& p = v["paper"];
      if (!p.is_array() || p.size() != 2) Fail(path + "/paper", "expected [width, length] in tenths of a millimetre");
      std::int32_t size[2] = {};
      for (int i = 0; i < 2; ++i) {
        const json& n = p[i];
        if (!n.is_number_integer() || n.get<std::int64_t>() < 1 || n.get<std::int64_t>() > 100000)
          Fail(path + "/paper/" + std::to_string(i), "expected a length from 1 to 100000 tenths of a millimetre");
        size[i] = static_cast<std::int32_t>(n.get<std::int64_t>());
      }
      if (out) out->SetPaperSizeValues(feature, size[0], size[1]);
    } else {
      CXString name;
      AttributeBytesValueEnum option = kAttributeBytesNoValue;
      NewValue(v, path, name, option);
      if (out) out->SetNewValueId(feature, name, option);
    }
  }

  void NewValue(const json& v, const std::string& path, CXString& name, AttributeBytesValueEnum& option) const {
    Only(v, path, {"name", "option"});
    if (!v.contains("name")) Fail(path, "expected a \"name\" with the \"option\"");
    if (!v["name"].is_string()) Fail(path + "/name", std::string("expected a string, got ") + Kind(v["name"]));
    name = CXString(platform::FromUtf8(v["name"].get<std::string>()));
    if (v.contains("option")) option = OptionValue(v["option"], path + "/option");
  }

  void Only(const json& v, const std::string& path, std::initializer_list<const char*> allowed) const {
    for (const auto& [key, member] : v.items()) {
      bool known = false;
      for (const char* a : allowed) known = known || key == a;
      if (!known) Fail(path + "/" + key, "unknown member");
    }
  }

  AttributeBytesValueEnum OptionValue(const json& v, const std::string& path) const {
    if (!v.is_number_integer() || (!v.is_number_unsigned() && v.get<std::int64_t>() < 0) ||
        v.get<std::uint64_t>() > 0xFFFFFFFFull)
      Fail(path, std::string("expected an option value (an integer from 0 to 4294967295), got ") + Kind(v));
    return static_cast<AttributeBytesValueEnum>(v.get<std::uint64_t>());
  }

  AttributeBytesFeatureId FeatureNumber(const std::string& key, const std::string& path) const {
    std::uint32_t v = 0;
    auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), v);
    if (key.empty() || ec != std::errc() || end != key.data() + key.size())
      Fail(path, "expected a feature number as the member name");
    return v;
  }

  static const char* Kind(const json& v) {
    if (v.is_number_float()) return "a fractional number";
    if (v.is_number_integer())
      return v.is_number_unsigned() || v.get<std::int64_t>() >= 0 ? "an integer" : "a negative integer";
    if (v.is_string()) return "a string";
    if (v.is_boolean()) return "a boolean";
    if (v.is_array()) return "an array";
    if (v.is_object()) return "an object";
    return "null";
  }

  [[noreturn]] void Fail(const std::string& path, const std::string& what) const {
    throw InputError(file_ + ": " + path + ": " + what);
  }

  std::string file_;
};

}  // namespace

void CheckSettings(const nlohmann::ordered_json& settings, const std::string& path, const std::string& file) {
  SettingsWalker(file).List(settings, path, nullptr, 0);
}

AttributeBytesIndexedList BuildSettingsList(const nlohmann::ordered_json& settings) {
  AttributeBytesIndexedList list;
  SettingsWalker("settings").List(settings, "", &list, 0);
  return list;
}

ByteBuffer BuildSettingsImage(const nlohmann::ordered_json& settings) {
  PersistentAttributes image;
  image.SetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace,
                                          BuildSettingsList(settings));
  return image.GetBytes();
}

}  // namespace renps
