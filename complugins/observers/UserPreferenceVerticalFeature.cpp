#include "observers/UserPreferenceVerticalFeature.h"

#include <algorithm>

#include "zqcore/DataModelNotifications.h"
#include "zqutil/DataEncrypter.h"
#include "zqutil/OperatingSystem.h"
#include "zqutil/Printer.h"
#include "zqutil/TamorException.h"
#include "zqutil/User.h"

namespace {

using namespace DataModelIds;

constexpr DWORD kDefaultUnit = kValueUnitNotChosen;
constexpr DWORD kDefaultPassThrough = kValuePassThroughEscapesOff;
constexpr DWORD kDefaultRefreshRate = 5;
constexpr DWORD kAllColumns = 0x7FF;
constexpr DWORD kMaxNameFlag = 2;

struct NameGroupFeatures {
  const char16_t* flagValue;
  const char16_t* nameValue;
  std::uint32_t nameFeature;
  std::uint32_t automatic;   // true for flags 0 and 1
  std::uint32_t remembered;  // true for flags 1 and 2
  bool automaticIsUserName;  // else the stored name is used for flags 0 and 1 too
};
constexpr NameGroupFeatures kNameGroups[3] = {
    {u"JobNameFlag", u"JobName", kFeatureJobName, kFeatureJobNameAutomatic, kFeatureJobNameRemembered, false},
    {u"SenderNameFlag", u"SenderName", kFeatureJobOwner, kFeatureSenderNameAutomatic, kFeatureSenderNameRemembered,
     true},
    {u"RecipientNameFlag", u"RecipientName", kFeatureRecipientName, kFeatureRecipientNameAutomatic,
     kFeatureRecipientNameRemembered, true},
};

// Column features and their bits; 581/582 and 583/584 are not in number order.
struct ColumnBit {
  std::uint32_t feature;
  DWORD bit;
};
constexpr ColumnBit kColumns[11] = {{580, 0x1},  {582, 0x2},  {581, 0x4},   {584, 0x8},   {583, 0x10}, {585, 0x20},
                                    {586, 0x40}, {587, 0x80}, {588, 0x100}, {589, 0x200}, {590, 0x400}};

struct PasscodeValue {
  DWORD family;
  const char16_t* valueName;
  std::size_t minimumLength;
};
constexpr PasscodeValue kPasscodes[] = {
    {kValueFamilyProcSet, u"PasscodeKr", 4},
    {kValueFamilyOid, u"PasscodeQa", 4},
    {kValueFamilyPlain, u"PasscodeWyn", 1},
    {kValueFamilyPjl, u"PasscodeTolva", 1},
};

const PasscodeValue* FindPasscode(DWORD family) {
  for (const PasscodeValue& p : kPasscodes)
    if (p.family == family) return &p;
  return nullptr;
}

User UserFor(HANDLE hPrinter) {
  return Printer::IsValidHandle(hPrinter) ? User(hPrinter) : User();
}

// A value the model does not take (a registry value nobody could have chosen)
// is left out rather than stopping the model.
void TrySet(DataModelFeatureServices& services, std::uint32_t feature, const FeatureValue& value) {
  try {
    services.SetCurrentValue(feature, value);
  } catch (const ExceptionInvalidArgument&) {
  }
}

void Declare(DataModelFeatureServices& services, std::uint32_t feature, FeatureKind kind,
             std::vector<std::uint32_t> values, FeatureValue defaultValue) {
  FeatureDefinition definition;
  definition.feature = feature;
  definition.kind = kind;
  definition.valueList = std::move(values);
  definition.defaultValue = std::move(defaultValue);
  services.DeclareFeature(definition);
}

}  // namespace

UserPreferenceVerticalFeature::UserPreferenceVerticalFeature(HANDLE hPrinter)
    : printer_(hPrinter),
      unit_(kDefaultUnit),
      paperUnit_(kDefaultUnit),
      passThrough_(kDefaultPassThrough),
      refreshRate_(kDefaultRefreshRate),
      namedPaperList_(kValueNamedPaperListFirst),
      namedPaperColumns_(kAllColumns) {
  LoadFromRegistry();
  LoadPasscode();
  userName_ = User::GetUserNameW();
}

UserPreferenceVerticalFeature::UserPreferenceVerticalFeature(HANDLE hPrinter, XDevmode& settings,
                                                             const CXString& documentName)
    : UserPreferenceVerticalFeature(hPrinter) {
  ByteBuffer record;
  if (settings.GetEntry(kEntryNameFlags, record) && record.size() == 12) {
    for (std::size_t i = 0; i < nameFlags_.size(); ++i) {
      const DWORD flag = record.getDword(4 * i);
      nameFlags_[i] = flag <= kMaxNameFlag ? flag : 0;
    }
  }
  CXString text;
  if (settings.GetEntryString(kEntryUserName, text)) userName_ = text;
  if (settings.GetEntryString(kEntryJobName, text)) names_[kJobName] = text;
  if (settings.GetEntryString(kEntrySenderName, text)) names_[kSenderName] = text;
  if (settings.GetEntryString(kEntryRecipientName, text)) names_[kRecipientName] = text;
  if (settings.GetEntryString(kEntryDocumentName, text)) documentName_ = text;
  if (!documentName.IsEmpty()) documentName_ = documentName;
}

void UserPreferenceVerticalFeature::LoadFromRegistry() {
  const User user = UserFor(printer_);
  const auto readLong = [&](const char16_t* valueName, DWORD& member) {
    DWORD value = 0;
    if (user.GetUserDataLongFromRegistry(kRegistryKey, valueName, value)) member = value;
  };
  try {
    readLong(u"Unit", unit_);
    readLong(u"PaperUnit", paperUnit_);
    readLong(u"PSPassThrough", passThrough_);
    readLong(u"RefreshRate", refreshRate_);
    for (std::size_t i = 0; i < nameFlags_.size(); ++i) {
      DWORD flag = 0;
      readLong(kNameGroups[i].flagValue, flag);
      nameFlags_[i] = flag <= kMaxNameFlag ? flag : 0;
      user.GetUserDataStringFromRegistry(kRegistryKey, kNameGroups[i].nameValue, names_[i]);
    }
    readLong(u"NamedPaperColumns", namedPaperColumns_);
    namedPaperColumns_ &= kAllColumns;
    readLong(u"NamedPaperList", namedPaperList_);
  } catch (const ExceptionUserFailure&) {
    // What was read before the failure stays; the rest keeps its default.
  }
}

DWORD UserPreferenceVerticalFeature::GetControllerFamily() const {
  if (Printer::IsValidHandle(printer_)) {
    const DWORD family = Printer(printer_).GetPrinterControllerFamily();
    if (family != static_cast<DWORD>(kValueNone)) return family;
  }
  if (DataModelManager* model = GetDataModel())
    return OptionFeatureRef(model->GetFeatureList(), FeatureId(kFeatureControllerFamily)).GetValue().GetValueEnum();
  return kValueNone;
}

const char16_t* UserPreferenceVerticalFeature::PasscodeValueName(DWORD controllerFamily) {
  const PasscodeValue* passcode = FindPasscode(controllerFamily);
  return passcode != nullptr ? passcode->valueName : nullptr;
}

bool UserPreferenceVerticalFeature::IsAcceptablePasscode(DWORD controllerFamily, const CXString& passcode) {
  const PasscodeValue* rule = FindPasscode(controllerFamily);
  return rule != nullptr && passcode.GetLength() >= rule->minimumLength && passcode.IsContainNumericCharsOnly();
}

void UserPreferenceVerticalFeature::LoadPasscode() {
  passcode_.Empty();
  const DWORD family = GetControllerFamily();
  const char16_t* valueName = PasscodeValueName(family);
  if (valueName == nullptr) return;
  ByteBuffer encrypted;
  if (!UserFor(printer_).GetUserDataBytesFromRegistry(kRegistryKey, valueName, encrypted) || encrypted.empty()) return;
  try {
    CXString passcode = DataEncrypter::DecryptString(encrypted);
    if (IsAcceptablePasscode(family, passcode)) passcode_ = passcode;
  } catch (const ExceptionDataEncrypterFailure&) {
  }
}

std::array<bool, 11> UserPreferenceVerticalFeature::ColumnsFromBits(DWORD bits) {
  std::array<bool, 11> columns{};
  for (const ColumnBit& c : kColumns) columns[c.feature - kFeatureNamedPaperColumnFirst] = (bits & c.bit) != 0;
  return columns;
}

DWORD UserPreferenceVerticalFeature::BitsFromColumns(const std::array<bool, 11>& columns) {
  DWORD bits = 0;
  for (const ColumnBit& c : kColumns)
    if (columns[c.feature - kFeatureNamedPaperColumnFirst]) bits |= c.bit;
  return bits;
}

bool UserPreferenceVerticalFeature::WriteToOemSection(void* section) const {
  if (section == nullptr) return false;
  XDevmode writer;
  if (!writer.Parse(section)) return false;
  ByteBuffer record;
  for (DWORD flag : nameFlags_) record.appendDword(flag);
  const auto put = [&](std::uint16_t id, const ByteBuffer& bytes) {
    try {
      writer.SetEntry(id, bytes);
    } catch (const ExceptionCapacityExceeded&) {
      // The section is full: this entry stays out, the job still prints.
    }
  };
  put(kEntryNameFlags, record);
  put(kEntryUserName, ByteBuffer::createFromStringValue(userName_));
  put(kEntryJobName, ByteBuffer::createFromStringValue(names_[kJobName]));
  put(kEntrySenderName, ByteBuffer::createFromStringValue(names_[kSenderName]));
  put(kEntryRecipientName, ByteBuffer::createFromStringValue(names_[kRecipientName]));
  put(kEntryDocumentName, ByteBuffer::createFromStringValue(documentName_));
  return true;
}

void UserPreferenceVerticalFeature::IntegrateSourceData(DataModelManager& model) {
  DataModelFeatureServices& services = model.GetFeatureServices();
  const std::vector<std::uint32_t> units = {kValueUnitMetric, kValueUnitInch};
  Declare(services, kFeatureUnit, FeatureKind::Option, units,
          FeatureValue::MakeOption(OperatingSystem::IsMetricCountry() ? kValueUnitMetric : kValueUnitInch));
  Declare(services, kFeaturePaperUnit, FeatureKind::Option, units,
          FeatureValue::MakeOption(OperatingSystem::UseEnglishPaperSizes() ? kValueUnitInch : kValueUnitMetric));
  Declare(services, kFeaturePassThroughEscapes, FeatureKind::Option,
          {kValuePassThroughEscapesOn, kValuePassThroughEscapesOff},
          FeatureValue::MakeOption(kValuePassThroughEscapesOff));
  Declare(services, kFeatureNamedPaperList, FeatureKind::Option,
          {kValueNamedPaperListFirst, kValueNamedPaperListSecond}, FeatureValue::MakeOption(kValueNamedPaperListFirst));
  for (const NameGroupFeatures& group : kNameGroups) {
    Declare(services, group.automatic, FeatureKind::Boolean, {}, FeatureValue::MakeBoolean(true));
    Declare(services, group.remembered, FeatureKind::Boolean, {}, FeatureValue::MakeBoolean(false));
  }
  Declare(services, kFeatureUserName, FeatureKind::String, {}, FeatureValue::MakeString(userName_));
  for (std::uint32_t f = kFeatureNamedPaperColumnFirst; f <= static_cast<std::uint32_t>(kFeatureNamedPaperColumnLast);
       ++f)
    Declare(services, f, FeatureKind::Boolean, {}, FeatureValue::MakeBoolean(true));
  Declare(services, kFeatureRefreshRate, FeatureKind::Integer, {}, FeatureValue::MakeInteger(kDefaultRefreshRate));
}

void UserPreferenceVerticalFeature::RegisterForCurrentSettingsChanges(DataModelManager& model) {
  DataModelFeatureServices& services = model.GetFeatureServices();
  // Without a printer the family is the model's: the passcode follows it.
  if (!Printer::IsValidHandle(printer_)) LoadPasscode();
  for (auto [feature, value] : {std::pair{kFeatureUnit, unit_}, std::pair{kFeaturePaperUnit, paperUnit_}})
    if (value != static_cast<DWORD>(kValueUnitNotChosen) && value != static_cast<DWORD>(kValueNone))
      TrySet(services, feature, FeatureValue::MakeOption(value));
  TrySet(services, kFeaturePassThroughEscapes, FeatureValue::MakeOption(passThrough_));
  TrySet(services, kFeatureRefreshRate, FeatureValue::MakeInteger(static_cast<std::int32_t>(refreshRate_)));
  TrySet(services, kFeatureUserName, FeatureValue::MakeString(userName_));
  TrySet(services, kFeatureJobPassword, FeatureValue::MakeString(passcode_));
  TrySet(services, kFeatureDocumentNamePlaceholder, FeatureValue::MakeString(documentName_));
  if (services.IsFeatureAvailable(kFeatureNamedPapers)) {
    const std::array<bool, 11> columns = ColumnsFromBits(namedPaperColumns_);
    for (std::size_t i = 0; i < columns.size(); ++i)
      TrySet(services, kFeatureNamedPaperColumnFirst + static_cast<std::uint32_t>(i),
             FeatureValue::MakeBoolean(columns[i]));
    TrySet(services, kFeatureNamedPaperList, FeatureValue::MakeOption(namedPaperList_));
    TrySet(services, kFeatureNamedPaperListMirror, FeatureValue::MakeOption(namedPaperList_));
  }
  for (std::size_t i = 0; i < nameFlags_.size(); ++i) {
    const NameGroupFeatures& group = kNameGroups[i];
    const DWORD flag = nameFlags_[i];
    TrySet(services, group.automatic, FeatureValue::MakeBoolean(flag != 2));
    TrySet(services, group.remembered, FeatureValue::MakeBoolean(flag != 0));
    const bool useUserName = flag != 2 && group.automaticIsUserName;
    TrySet(services, group.nameFeature, FeatureValue::MakeString(useUserName ? userName_ : names_[i]));
  }
  if (!observeSaveEvents_) return;
  services.RegisterEventObserver(*this, kEventSettingsSaved);
  services.RegisterEventObserver(*this, kEventSettingsApplied);
  for (const NameGroupFeatures& group : kNameGroups)
    services.RegisterFeatureObserver(*this, kChangeFeature, group.nameFeature, kInstanceCurrentSettings, 0,
                                     kNotifyAfterChange);
}

void UserPreferenceVerticalFeature::Notify(const NotificationBundle& bundle) {
  DataModelManager* model = GetDataModel();
  if (model == nullptr) return;
  bool save = false;
  bool nameChanged = false;
  for (std::size_t i = 0; i < bundle.GetCount(); ++i) {
    const Notification* notification = bundle.GetNotification(i);
    if (const auto* event = dynamic_cast<const EventNotification*>(notification)) {
      save = save || event->GetEventId() == static_cast<DWORD>(kEventSettingsSaved) ||
             event->GetEventId() == static_cast<DWORD>(kEventSettingsApplied);
    } else if (const auto* change = dynamic_cast<const FeatureChangeNotification*>(notification)) {
      nameChanged = nameChanged || change->GetSettingsInstance() == static_cast<DWORD>(kInstanceCurrentSettings);
    }
  }
  // A name change brings back the stored passcode: the job password is not
  // carried over from one name to another.
  if (nameChanged) {
    LoadPasscode();
    TrySet(model->GetFeatureServices(), kFeatureJobPassword, FeatureValue::MakeString(passcode_));
  }
  if (save) Save(*model);
}

void UserPreferenceVerticalFeature::StoreLong(const CXString& valueName, DWORD value) const {
  UserFor(printer_).StoreUserDataLongInRegistry(kRegistryKey, valueName, value);
}

void UserPreferenceVerticalFeature::StoreString(const CXString& valueName, const CXString& value) const {
  UserFor(printer_).StoreUserDataStringInRegistry(kRegistryKey, valueName, value);
}

void UserPreferenceVerticalFeature::Save(DataModelManager& model) {
  ListOfFeaturesRef features = model.GetFeatureList();
  const auto saveLong = [&](const char16_t* valueName, DWORD& member, DWORD value) {
    if (value == member) return;
    StoreLong(valueName, value);
    member = value;
  };
  saveLong(u"Unit", unit_, OptionFeatureRef(features, FeatureId(kFeatureUnit)).GetValue().GetValueEnum());
  saveLong(u"PaperUnit", paperUnit_,
           OptionFeatureRef(features, FeatureId(kFeaturePaperUnit)).GetValue().GetValueEnum());
  saveLong(u"PSPassThrough", passThrough_,
           OptionFeatureRef(features, FeatureId(kFeaturePassThroughEscapes)).GetValue().GetValueEnum());
  saveLong(u"RefreshRate", refreshRate_,
           static_cast<DWORD>(IntegerFeatureRef(features, FeatureId(kFeatureRefreshRate)).GetValue()));

  std::array<bool, 11> columns{};
  for (std::size_t i = 0; i < columns.size(); ++i)
    columns[i] = BooleanFeatureRef(features, FeatureId(kFeatureNamedPaperColumnFirst + static_cast<std::uint32_t>(i)))
                     .GetValue();
  saveLong(u"NamedPaperColumns", namedPaperColumns_, BitsFromColumns(columns));
  saveLong(u"NamedPaperList", namedPaperList_,
           OptionFeatureRef(features, FeatureId(kFeatureNamedPaperList)).GetValue().GetValueEnum());

  for (std::size_t i = 0; i < nameFlags_.size(); ++i) {
    const NameGroupFeatures& group = kNameGroups[i];
    DWORD flag = 0;
    CXString name;
    if (BooleanFeatureRef(features, FeatureId(group.remembered)).GetValue()) flag = 1;
    if (!BooleanFeatureRef(features, FeatureId(group.automatic)).GetValue()) {
      flag = 2;
      name = StringFeatureRef(features, FeatureId(group.nameFeature)).GetValue();
    }
    saveLong(group.flagValue, nameFlags_[i], flag);
    if (!(name == names_[i])) {
      StoreString(group.nameValue, name);
      names_[i] = name;
    }
  }

  const CXString passcode = StringFeatureRef(features, FeatureId(kFeatureJobPassword)).GetValue();
  const char16_t* valueName = PasscodeValueName(GetControllerFamily());
  if (!passcode.IsEmpty() && valueName != nullptr && !(passcode == passcode_)) {
    UserFor(printer_).StoreUserDataBytesInRegistry(kRegistryKey, valueName, DataEncrypter::EncryptString(passcode));
    passcode_ = passcode;
  }
}
