// The job file's settings notation (feature number -> value) turned into the
// settings model that the driver's user interface stores: entry 1 of the
// plug-in's devmode section and the "TmrDeviceSettings" printer data.
//
//   42                               option value
//   {"option": 9000, "name": "Gloss"} option value with a new-value id ({"name"} alone: no option value)
//   {"int": 150}                      integer
//   "text" / true / false             string / boolean
//   {"paper": [2100, 2970]}           paper size, tenths of a millimetre
//   {"210": ..., "164": ...}          collection (members are feature numbers)
//   [ ... ]                           list of option values, {"name"} ids or collections
//   null                              feature present but not specified
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "zqutil/AttributeBytes.h"
#include "zqutil/ByteBuffer.h"

namespace renps {

// Throws InputError naming `file` and the JSON path of the first bad value.
void CheckSettings(const nlohmann::ordered_json& settings, const std::string& path, const std::string& file);

// The list for checked settings.
AttributeBytesIndexedList BuildSettingsList(const nlohmann::ordered_json& settings);

// The persisted image (PersistentAttributes) holding the list in the
// document-settings namespace.
ByteBuffer BuildSettingsImage(const nlohmann::ordered_json& settings);

}  // namespace renps
