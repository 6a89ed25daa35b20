// The job file: what renps sets up around one print run (printer, devmode,
// settings, user, job, escapes). Loading checks every member and every type;
// anything unknown or mistyped is an error that names the file and the JSON
// path of the bad value (or the line and column of a syntax error), so that a
// misspelt member is never ignored.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "DevmodeLayout.h"
#include "InputError.h"

namespace renps {

// A registry or printer data value: REG_DWORD, REG_SZ or REG_BINARY.
struct RegistryValue {
  enum class Type { Dword, String, Binary } type = Type::Dword;
  std::uint32_t dword = 0;
  std::u16string text;
  std::vector<std::uint8_t> bytes;
};

struct PrinterSpec {
  std::u16string name = u"Demo";
  std::u16string port = u"IP_192.0.2.10";
  std::uint32_t controllerFamily = 7430;
  std::uint32_t pdlType = 0x400;
  std::uint32_t colorMode = 0x1000;
  std::u16string productId, modelId;
  std::u16string driverName, driverVersion, driverLanguage;
  std::vector<std::u16string> driverFiles;
  std::uint32_t installationState = 1;
  nlohmann::ordered_json deviceSettings = nlohmann::ordered_json::object();  // checked settings notation
  std::vector<std::pair<std::u16string, RegistryValue>> printerData;
  bool color = true;
  std::vector<std::array<std::int32_t, 3>> resolutions{{0, 600, 600}};
  std::uint32_t driverPrivateFFFA = 0;
};

// The public devmode fields and the PostScript driver's private options.
struct DevmodeSettings {
  driversim::PublicFields fields;
  driversim::DriverOptions driver;
};

struct UserSpec {
  std::u16string name, computer, address;
  std::u16string os = u"Windows NT";
  std::vector<std::pair<std::u16string, RegistryValue>> preferences;
};

struct JobSpec {
  std::u16string document = u"Document";
  std::uint32_t id = 1;
  std::u16string owner;
  int year = 2024, month = 5, day = 17, hour = 9, minute = 30, second = 0;
};

struct SnippetSpec {
  std::uint32_t flags = 0x10;
  std::string setup, page, end;
};

struct FaxDestination {
  std::u16string phone, mailbox;
};

struct FaxSpec {
  std::vector<FaxDestination> destinations;
  std::string cover;
  bool hasCover = false;
};

struct JobFile {
  std::string path;  // as given, for messages
  PrinterSpec printer;
  DevmodeSettings devmode;
  nlohmann::ordered_json settings = nlohmann::ordered_json::object();
  UserSpec user;
  JobSpec job;
  // PDEV state values: key -> bytes (numbers as 32-bit little-endian,
  // strings as UTF-16 with the terminator).
  std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> pdevState;
  std::optional<SnippetSpec> snippets;
  std::optional<FaxSpec> fax;
  bool noPrivateSection = false;
  // Devmode changes from a page on (1-based page number -> the changed
  // members in the notation of "devmode", checked). The driver resets its
  // PDEV before that page.
  std::map<int, nlohmann::ordered_json> pageDevmodes;
};

// Reads and checks a job file. Throws InputError.
JobFile LoadJobFile(const std::string& path);
// Checks a job file given as text; `path` names it in messages.
JobFile ParseJobFile(const std::string& text, const std::string& path);
// `base` with the members of a checked "devmode" object applied over it.
DevmodeSettings ApplyDevmodeChange(const DevmodeSettings& base, const nlohmann::ordered_json& change);

}  // namespace renps
