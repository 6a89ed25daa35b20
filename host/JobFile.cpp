#include "JobFile.h"

#include <charconv>
#include <fstream>
#include <limits>
#include <sstream>

#include "Settings.h"
#include "platform/text.h"

namespace renps {
namespace {

using json = nlohmann::ordered_json;

const char* TypeName(const json& value) {
  switch (value.type()) {
    case json::value_t::null:
      return "null";
    case json::value_t::boolean:
      return "a boolean";
    case json::value_t::string:
      return "a string";
    case json::value_t::array:
      return "an array";
    case json::value_t::object:
      return "an object";
    case json::value_t::number_float:
      return "a fractional number";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
      return "an integer";
    default:
      return "an unsupported value";
  }
}

// Walks the parsed file; every failure names the file and the JSON path.
class Checker {
 public:
  explicit Checker(std::string file) : file_(std::move(file)) {}

  [[noreturn]] void Fail(const std::string& path, const std::string& what) const {
    throw InputError(file_ + ": " + (path.empty() ? "/" : path) + ": " + what);
  }
  [[noreturn]] void Expected(const std::string& path, const char* expected, const json& got) const {
    Fail(path, std::string("expected ") + expected + ", got " + TypeName(got));
  }

  // The object's members must all be among `allowed`.
  void Object(const json& value, const std::string& path, std::initializer_list<const char*> allowed) const {
    if (!value.is_object()) Expected(path, "an object", value);
    for (const auto& [key, member] : value.items()) {
      bool known = false;
      for (const char* name : allowed) known = known || key == name;
      if (!known) Fail(Member(path, key), "unknown member");
    }
  }

  static std::string Member(const std::string& path, const std::string& key) {
    std::string escaped;
    for (char c : key) {
      if (c == '~')
        escaped += "~0";
      else if (c == '/')
        escaped += "~1";
      else
        escaped += c;
    }
    return path + "/" + escaped;
  }

  std::int64_t Integer(const json& value, const std::string& path, std::int64_t min, std::int64_t max) const {
    if (!value.is_number_integer()) Expected(path, "an integer", value);
    std::int64_t n = 0;
    if (value.is_number_unsigned()) {
      const auto u = value.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) OutOfRange(path, min, max);
      n = static_cast<std::int64_t>(u);
    } else {
      n = value.get<std::int64_t>();
    }
    if (n < min || n > max) OutOfRange(path, min, max);
    return n;
  }
  std::uint32_t Dword(const json& value, const std::string& path) const {
    return static_cast<std::uint32_t>(Integer(value, path, 0, 0xFFFFFFFFll));
  }
  int Short(const json& value, const std::string& path, int min = -32768, int max = 32767) const {
    return static_cast<int>(Integer(value, path, min, max));
  }
  bool Bool(const json& value, const std::string& path) const {
    if (!value.is_boolean()) Expected(path, "a boolean", value);
    return value.get<bool>();
  }
  std::string Utf8(const json& value, const std::string& path) const {
    if (!value.is_string()) Expected(path, "a string", value);
    return value.get<std::string>();
  }
  std::u16string Text(const json& value, const std::string& path, std::size_t maxUnits = 4096) const {
    auto text = platform::FromUtf8(Utf8(value, path));
    if (text.size() > maxUnits) Fail(path, "longer than " + std::to_string(maxUnits) + " characters");
    return text;
  }
  std::vector<std::uint8_t> Hex(const json& value, const std::string& path) const {
    const std::string text = Utf8(value, path);
    if (text.size() % 2 != 0) Fail(path, "expected an even number of hex digits");
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
      unsigned v = 0;
      auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, v, 16);
      if (ec != std::errc() || end != text.data() + i + 2) Fail(path, "expected hex digits, got \"" + text + "\"");
      bytes.push_back(static_cast<std::uint8_t>(v));
    }
    return bytes;
  }
  std::uint32_t NumericKey(const std::string& key, const std::string& path, std::uint32_t min = 0) const {
    std::uint32_t v = 0;
    auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), v);
    if (key.empty() || ec != std::errc() || end != key.data() + key.size() || v < min)
      Fail(path, "expected a number as the member name");
    return v;
  }

  // A number (REG_DWORD), a string (REG_SZ) or {"hex": "..."} (REG_BINARY).
  RegistryValue Registry(const json& value, const std::string& path) const {
    RegistryValue out;
    if (value.is_number_integer()) {
      out.dword = Dword(value, path);
    } else if (value.is_string()) {
      out.type = RegistryValue::Type::String;
      out.text = Text(value, path);
    } else if (value.is_object()) {
      Object(value, path, {"hex"});
      if (!value.contains("hex")) Fail(path, "expected {\"hex\": \"...\"}");
      out.type = RegistryValue::Type::Binary;
      out.bytes = Hex(value["hex"], Member(path, "hex"));
    } else {
      Expected(path, "an integer, a string or {\"hex\": ...}", value);
    }
    return out;
  }

  const std::string& File() const { return file_; }

 private:
  [[noreturn]] void OutOfRange(const std::string& path, std::int64_t min, std::int64_t max) const {
    Fail(path, "expected an integer from " + std::to_string(min) + " to " + std::to_string(max));
  }
  std::string file_;
};

void ReadPrinter(const Checker& c, const json& j, const std::string& p, PrinterSpec& out) {
  c.Object(j, p,
           {"name", "port", "controllerFamily", "pdlType", "colorMode", "productId", "modelId", "driver",
            "deviceSettings", "printerData", "capabilities"});
  auto m = [&](const char* k) { return Checker::Member(p, k); };
  if (j.contains("name")) {
    out.name = c.Text(j["name"], m("name"), 220);
    if (out.name.empty()) c.Fail(m("name"), "expected a printer name, got an empty string");
  }
  if (j.contains("port")) out.port = c.Text(j["port"], m("port"));
  if (j.contains("controllerFamily")) out.controllerFamily = c.Dword(j["controllerFamily"], m("controllerFamily"));
  if (j.contains("pdlType")) out.pdlType = c.Dword(j["pdlType"], m("pdlType"));
  if (j.contains("colorMode")) out.colorMode = c.Dword(j["colorMode"], m("colorMode"));
  if (j.contains("productId")) out.productId = c.Text(j["productId"], m("productId"));
  if (j.contains("modelId")) out.modelId = c.Text(j["modelId"], m("modelId"));
  if (j.contains("driver")) {
    const std::string dp = m("driver");
    const json& d = j["driver"];
    c.Object(d, dp, {"name", "version", "language", "files", "installationState"});
    if (d.contains("name")) out.driverName = c.Text(d["name"], Checker::Member(dp, "name"));
    if (d.contains("version")) out.driverVersion = c.Text(d["version"], Checker::Member(dp, "version"));
    if (d.contains("language")) out.driverLanguage = c.Text(d["language"], Checker::Member(dp, "language"));
    if (d.contains("files")) {
      const std::string fp = Checker::Member(dp, "files");
      if (!d["files"].is_array()) c.Expected(fp, "an array", d["files"]);
      for (std::size_t i = 0; i < d["files"].size(); ++i)
        out.driverFiles.push_back(c.Text(d["files"][i], fp + "/" + std::to_string(i)));
    }
    if (d.contains("installationState"))
      out.installationState = c.Dword(d["installationState"], Checker::Member(dp, "installationState"));
  }
  if (j.contains("deviceSettings")) {
    CheckSettings(j["deviceSettings"], m("deviceSettings"), c.File());
    out.deviceSettings = j["deviceSettings"];
  }
  if (j.contains("printerData")) {
    const json& d = j["printerData"];
    if (!d.is_object()) c.Expected(m("printerData"), "an object", d);
    for (const auto& [key, value] : d.items())
      out.printerData.emplace_back(platform::FromUtf8(key), c.Registry(value, Checker::Member(m("printerData"), key)));
  }
  if (j.contains("capabilities")) {
    const std::string cp = m("capabilities");
    const json& d = j["capabilities"];
    c.Object(d, cp, {"color", "resolutions", "driverPrivateFFFA"});
    if (d.contains("color")) out.color = c.Bool(d["color"], Checker::Member(cp, "color"));
    if (d.contains("resolutions")) {
      const std::string rp = Checker::Member(cp, "resolutions");
      const json& r = d["resolutions"];
      if (!r.is_array()) c.Expected(rp, "an array", r);
      out.resolutions.clear();
      for (std::size_t i = 0; i < r.size(); ++i) {
        const std::string ip = rp + "/" + std::to_string(i);
        if (!r[i].is_array() || r[i].size() != 3) c.Fail(ip, "expected [flag, x, y]");
        std::array<std::int32_t, 3> row{};
        for (std::size_t k = 0; k < 3; ++k)
          row[k] = static_cast<std::int32_t>(c.Integer(r[i][k], ip + "/" + std::to_string(k), INT32_MIN, INT32_MAX));
        out.resolutions.push_back(row);
      }
    }
    if (d.contains("driverPrivateFFFA"))
      out.driverPrivateFFFA = c.Dword(d["driverPrivateFFFA"], Checker::Member(cp, "driverPrivateFFFA"));
  }
}

void ReadDevmode(const Checker& c, const json& j, const std::string& p, DevmodeSettings& out) {
  c.Object(j, p,
           {"orientation", "paperSize", "paperWidth", "paperLength", "formName", "copies", "collate", "duplex", "color",
            "printQuality", "yResolution", "scale", "defaultSource", "ttOption", "mediaType", "icmMethod", "icmIntent",
            "ditherType", "driver"});
  using driversim::DriverOptions;
  using driversim::PublicFields;
  struct ShortField {
    const char* name;
    short PublicFields::*field;
  };
  static constexpr ShortField kShorts[] = {
      {"orientation", &PublicFields::orientation},
      {"paperSize", &PublicFields::paperSize},
      {"paperWidth", &PublicFields::paperWidth},
      {"paperLength", &PublicFields::paperLength},
      {"copies", &PublicFields::copies},
      {"collate", &PublicFields::collate},
      {"duplex", &PublicFields::duplex},
      {"color", &PublicFields::color},
      {"printQuality", &PublicFields::printQuality},
      {"yResolution", &PublicFields::yResolution},
      {"scale", &PublicFields::scale},
      {"defaultSource", &PublicFields::defaultSource},
      {"ttOption", &PublicFields::ttOption},
  };
  for (const auto& f : kShorts)
    if (j.contains(f.name)) out.fields.*f.field = static_cast<short>(c.Short(j[f.name], Checker::Member(p, f.name)));
  struct DwordField {
    const char* name;
    DWORD PublicFields::*field;
  };
  static constexpr DwordField kDwords[] = {{"mediaType", &PublicFields::mediaType},
                                           {"icmMethod", &PublicFields::icmMethod},
                                           {"icmIntent", &PublicFields::icmIntent},
                                           {"ditherType", &PublicFields::ditherType}};
  for (const auto& f : kDwords)
    if (j.contains(f.name)) out.fields.*f.field = c.Dword(j[f.name], Checker::Member(p, f.name));
  // The devmode's field holds 32 units with the terminator.
  if (j.contains("formName")) out.fields.formName = c.Text(j["formName"], Checker::Member(p, "formName"), 31);
  if (j.contains("driver")) {
    const std::string dp = Checker::Member(p, "driver");
    const json& d = j["driver"];
    c.Object(d, dp,
             {"outputFormat", "pagesPerSheet", "booklet", "pageOrder", "languageLevel", "errorHandler", "mirror",
              "negative", "ttDownload", "metafileSpooling", "rotatedLandscape"});
    struct IntOption {
      const char* name;
      std::uint32_t DriverOptions::*field;
      int min, max;
    };
    static constexpr IntOption kInts[] = {{"outputFormat", &DriverOptions::outputFormat, 0, 3},
                                          {"pagesPerSheet", &DriverOptions::pagesPerSheet, 0, 5},
                                          {"pageOrder", &DriverOptions::pageOrder, 0, 1},
                                          {"languageLevel", &DriverOptions::languageLevel, 1, 3},
                                          {"ttDownload", &DriverOptions::ttDownload, 0, 3}};
    for (const auto& f : kInts)
      if (d.contains(f.name))
        out.driver.*f.field = static_cast<std::uint32_t>(c.Short(d[f.name], Checker::Member(dp, f.name), f.min, f.max));
    struct BoolOption {
      const char* name;
      bool DriverOptions::*field;
    };
    static constexpr BoolOption kBools[] = {{"booklet", &DriverOptions::booklet},
                                            {"errorHandler", &DriverOptions::errorHandler},
                                            {"mirror", &DriverOptions::mirror},
                                            {"negative", &DriverOptions::negative},
                                            {"metafileSpooling", &DriverOptions::metafileSpooling},
                                            {"rotatedLandscape", &DriverOptions::rotatedLandscape}};
    for (const auto& f : kBools)
      if (d.contains(f.name)) out.driver.*f.field = c.Bool(d[f.name], Checker::Member(dp, f.name));
  }
}

void ReadUser(const Checker& c, const json& j, const std::string& p, UserSpec& out) {
  c.Object(j, p, {"name", "computer", "address", "os", "preferences"});
  if (j.contains("name")) out.name = c.Text(j["name"], Checker::Member(p, "name"), 256);
  if (j.contains("computer")) out.computer = c.Text(j["computer"], Checker::Member(p, "computer"), 256);
  if (j.contains("address")) out.address = c.Text(j["address"], Checker::Member(p, "address"), 256);
  if (j.contains("os")) out.os = c.Text(j["os"], Checker::Member(p, "os"), 256);
  if (j.contains("preferences")) {
    const std::string pp = Checker::Member(p, "preferences");
    const json& d = j["preferences"];
    if (!d.is_object()) c.Expected(pp, "an object", d);
    for (const auto& [key, value] : d.items())
      out.preferences.emplace_back(platform::FromUtf8(key), c.Registry(value, Checker::Member(pp, key)));
  }
}

void ReadTime(const Checker& c, const json& j, const std::string& p, JobSpec& out) {
  const std::string text = c.Utf8(j, p);
  int v[6] = {};
  const char separators[] = "--T::";
  std::size_t at = 0;
  bool ok = text.size() == 19;
  const int widths[6] = {4, 2, 2, 2, 2, 2};
  for (int i = 0; ok && i < 6; ++i) {
    auto [end, ec] = std::from_chars(text.data() + at, text.data() + at + widths[i], v[i]);
    ok = ec == std::errc() && end == text.data() + at + widths[i];
    at += widths[i];
    if (ok && i < 5) ok = text[at++] == separators[i];
  }
  ok = ok && v[0] >= 1601 && v[0] <= 30827 && v[1] >= 1 && v[1] <= 12 && v[2] >= 1 && v[2] <= 31 && v[3] <= 23 &&
       v[4] <= 59 && v[5] <= 59;
  if (!ok) c.Fail(p, "expected a local time like 2024-05-17T09:30:00, got \"" + text + "\"");
  out.year = v[0];
  out.month = v[1];
  out.day = v[2];
  out.hour = v[3];
  out.minute = v[4];
  out.second = v[5];
}

std::vector<std::uint8_t> StateBytes(const Checker& c, const json& value, const std::string& path) {
  const RegistryValue r = c.Registry(value, path);
  std::vector<std::uint8_t> bytes;
  switch (r.type) {
    case RegistryValue::Type::Dword:
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(r.dword >> (8 * i)));
      break;
    case RegistryValue::Type::String:
      for (char16_t u : r.text) {
        bytes.push_back(static_cast<std::uint8_t>(u));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
      }
      bytes.push_back(0);
      bytes.push_back(0);
      break;
    case RegistryValue::Type::Binary:
      bytes = r.bytes;
      break;
  }
  return bytes;
}

}  // namespace

JobFile ParseJobFile(const std::string& text, const std::string& path) {
  json root;
  try {
    root = json::parse(text);
  } catch (const json::parse_error& e) {
    std::size_t line = 1, column = 1;
    const std::size_t stop = std::min<std::size_t>(e.byte == 0 ? 0 : e.byte - 1, text.size());
    for (std::size_t i = 0; i < stop; ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    std::string what = e.what();
    // Keep the parser's own explanation, without its "[json.exception...] parse error at ..." prefix.
    if (auto colon = what.find(": "); colon != std::string::npos) what = what.substr(colon + 2);
    throw InputError(path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what);
  } catch (const json::exception& e) {
    // A number beyond every numeric type ("5e926") comes without a position.
    std::string what = e.what();
    if (auto close = what.find("] "); close != std::string::npos) what = what.substr(close + 2);
    throw InputError(path + ": " + what);
  }

  const Checker c(path);
  c.Object(root, "",
           {"printer", "devmode", "settings", "user", "job", "pdevState", "snippets", "fax", "noPrivateSection",
            "pageDevmode"});
  JobFile out;
  out.path = path;
  if (root.contains("printer")) ReadPrinter(c, root["printer"], "/printer", out.printer);
  if (root.contains("devmode")) ReadDevmode(c, root["devmode"], "/devmode", out.devmode);
  if (root.contains("settings")) {
    CheckSettings(root["settings"], "/settings", path);
    out.settings = root["settings"];
  }
  if (root.contains("user")) ReadUser(c, root["user"], "/user", out.user);
  if (root.contains("job")) {
    const json& j = root["job"];
    c.Object(j, "/job", {"document", "id", "owner", "time"});
    if (j.contains("document")) out.job.document = c.Text(j["document"], "/job/document", 1024);
    if (j.contains("id")) out.job.id = c.Dword(j["id"], "/job/id");
    if (j.contains("owner")) out.job.owner = c.Text(j["owner"], "/job/owner", 256);
    if (j.contains("time")) ReadTime(c, j["time"], "/job/time", out.job);
  }
  if (root.contains("pdevState")) {
    const json& j = root["pdevState"];
    if (!j.is_object()) c.Expected("/pdevState", "an object", j);
    for (const auto& [key, value] : j.items()) {
      const std::string kp = Checker::Member("/pdevState", key);
      out.pdevState.emplace_back(c.NumericKey(key, kp), StateBytes(c, value, kp));
    }
  }
  if (root.contains("snippets")) {
    const json& j = root["snippets"];
    c.Object(j, "/snippets", {"flags", "setup", "page", "end"});
    SnippetSpec s;
    if (j.contains("flags")) s.flags = static_cast<std::uint32_t>(c.Integer(j["flags"], "/snippets/flags", 0, 255));
    if (j.contains("setup")) s.setup = c.Utf8(j["setup"], "/snippets/setup");
    if (j.contains("page")) s.page = c.Utf8(j["page"], "/snippets/page");
    if (j.contains("end")) s.end = c.Utf8(j["end"], "/snippets/end");
    out.snippets = s;
  }
  if (root.contains("fax")) {
    const json& j = root["fax"];
    c.Object(j, "/fax", {"destinations", "cover"});
    FaxSpec f;
    if (j.contains("destinations")) {
      const json& d = j["destinations"];
      if (!d.is_array()) c.Expected("/fax/destinations", "an array", d);
      for (std::size_t i = 0; i < d.size(); ++i) {
        const std::string dp = "/fax/destinations/" + std::to_string(i);
        c.Object(d[i], dp, {"phone", "mailbox"});
        FaxDestination dest;
        // Record sizes: 47 units for the number, 5 for the mailbox, each with its terminator.
        if (d[i].contains("phone")) dest.phone = c.Text(d[i]["phone"], dp + "/phone", 46);
        if (d[i].contains("mailbox")) dest.mailbox = c.Text(d[i]["mailbox"], dp + "/mailbox", 4);
        f.destinations.push_back(dest);
      }
    }
    if (j.contains("cover")) {
      f.cover = c.Utf8(j["cover"], "/fax/cover");
      f.hasCover = !f.cover.empty();
    }
    out.fax = f;
  }
  if (root.contains("noPrivateSection")) out.noPrivateSection = c.Bool(root["noPrivateSection"], "/noPrivateSection");
  if (root.contains("pageDevmode")) {
    const json& j = root["pageDevmode"];
    if (!j.is_object()) c.Expected("/pageDevmode", "an object", j);
    for (const auto& [key, value] : j.items()) {
      const std::string kp = Checker::Member("/pageDevmode", key);
      const int page = static_cast<int>(c.NumericKey(key, kp, 1));
      DevmodeSettings scratch;
      ReadDevmode(c, value, kp, scratch);
      out.pageDevmodes[page] = value;
    }
  }
  return out;
}

DevmodeSettings ApplyDevmodeChange(const DevmodeSettings& base, const nlohmann::ordered_json& change) {
  DevmodeSettings out = base;
  ReadDevmode(Checker("devmode"), change, "", out);
  return out;
}

JobFile LoadJobFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError(path + ": cannot open the job file");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw InputError(path + ": cannot read the job file");
  return ParseJobFile(text.str(), path);
}

}  // namespace renps
