// User preferences kept in the per-user registry of the POSIX state store:
// passcode rules and encryption, column bits, name flags, units, saving on
// the model's events, the devmode entries of the merge, and two processes
// saving at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "TestPrinter.h"
#include "observers/UserPreferenceVerticalFeature.h"
#include "zqutil/DataEncrypter.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/User.h"

namespace {

using namespace DataModelIds;

constexpr char16_t kPrinterName[] = u"Prefs Printer";
constexpr char16_t kKey[] = u"UserPreferenceVerticalFeature";

platform::host::PrinterDescription Description() {
  platform::host::PrinterDescription description;
  description.name = kPrinterName;
  description.port = u"IP_192.0.2.40";
  return description;
}

// Declares what a product with named papers declares.
class Product : public DataSource {
 public:
  explicit Product(bool namedPapers) : namedPapers_(namedPapers) {}
  void IntegrateSourceData(DataModelManager& model) override {
    if (!namedPapers_) return;
    FeatureDefinition papers;
    papers.feature = kFeatureNamedPapers;
    papers.kind = FeatureKind::Boolean;
    papers.defaultValue = FeatureValue::MakeBoolean(true);
    model.GetFeatureServices().DeclareFeature(papers);
  }

 private:
  bool namedPapers_;
};

class UserPreferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::host::SetMachineFacts(u"alice", u"desk");
    SetFamily(kValueFamilyProcSet);
  }
  void SetFamily(DWORD family) { printer_.SetDword(PrinterDataNames::kControllerFamily, family); }

  User user_{CXString(kPrinterName)};
  harness::TestPrinter printer_{Description()};
};

TEST_F(UserPreferencesTest, PasscodeRulesPerFamily) {
  struct Case {
    DWORD family;
    const char16_t* valueName;
    const char16_t* stored;
    const char16_t* expected;
  };
  const Case cases[] = {
      {7430, u"PasscodeKr", u"123", u""},     {7430, u"PasscodeKr", u"1234", u"1234"},
      {7431, u"PasscodeQa", u"999", u""},     {7431, u"PasscodeQa", u"0000", u"0000"},
      {7432, u"PasscodeWyn", u"123", u"123"}, {7433, u"PasscodeTolva", u"1", u"1"},
      {7430, u"PasscodeKr", u"12a4", u""},    {7432, u"PasscodeWyn", u"1 2", u""},
      {7433, u"PasscodeTolva", u"", u""},     {7432, u"PasscodeKr", u"5555", u""},  // another family's value
      {7434, u"PasscodeKr", u"5555", u""},                                          // a family without a passcode
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.family << " " << CXString(c.stored).ToUtf8());
    for (const char16_t* name : {u"PasscodeKr", u"PasscodeQa", u"PasscodeWyn", u"PasscodeTolva"})
      user_.StoreUserDataBytesInRegistry(kKey, name, ByteBuffer());
    SetFamily(c.family);
    user_.StoreUserDataBytesInRegistry(kKey, c.valueName, DataEncrypter::EncryptString(c.stored));
    EXPECT_EQ(UserPreferenceVerticalFeature(printer_.handle).GetPasscode(), CXString(c.expected));
  }
  // Bytes that are not an encrypted text are no passcode, even when they spell one.
  SetFamily(7432);
  user_.StoreUserDataBytesInRegistry(kKey, u"PasscodeWyn", ByteBuffer::createFromStringValue(u"4711"));
  EXPECT_EQ(UserPreferenceVerticalFeature(printer_.handle).GetPasscode(), CXString());
}

TEST_F(UserPreferencesTest, APasscodeIsSavedEncryptedAndComesBack) {
  {
    UserPreferenceVerticalFeature preferences(printer_.handle);
    DataModelManager model(kDataModelModeUserInterface, u"");
    model.PopulateFromSourceData({&preferences});
    model.GetFeatureServices().SetCurrentValue(kFeatureJobPassword, FeatureValue::MakeString(u"90210"));
    model.FireEvent(kEventSettingsSaved);
  }
  std::ifstream hive(platform::host::GetStateDirectory() + "/HKCU.reg");
  std::stringstream text;
  text << hive.rdbuf();
  ASSERT_NE(text.str().find("PasscodeKr"), std::string::npos);
  EXPECT_EQ(text.str().find("90210"), std::string::npos);
  EXPECT_EQ(text.str().find("39,00,30,00,32,00,31,00,30,00"), std::string::npos);

  UserPreferenceVerticalFeature again(printer_.handle);
  EXPECT_EQ(again.GetPasscode(), CXString(u"90210"));
  DataModelManager model(kDataModelModeUserInterface, u"");
  model.PopulateFromSourceData({&again});
  EXPECT_EQ(model.GetFeatureServices().GetCurrentValue(kFeatureJobPassword).GetString(), CXString(u"90210"));
  // Another name brings the stored passcode back over a typed one.
  model.GetFeatureServices().SetCurrentValue(kFeatureJobPassword, FeatureValue::MakeString(u"1111"));
  model.GetFeatureServices().SetCurrentValue(kFeatureJobName, FeatureValue::MakeString(u"Other job"));
  EXPECT_EQ(model.GetFeatureServices().GetCurrentValue(kFeatureJobPassword).GetString(), CXString(u"90210"));
}

TEST_F(UserPreferencesTest, ColumnBits) {
  const auto all = UserPreferenceVerticalFeature::ColumnsFromBits(2047);
  EXPECT_TRUE(std::all_of(all.begin(), all.end(), [](bool b) { return b; }));
  struct Case {
    DWORD bits;
    std::uint32_t feature;
  };
  for (const Case& c : {Case{0x1, 580}, Case{0x2, 582}, Case{0x4, 581}, Case{0x400, 590}}) {
    SCOPED_TRACE(c.bits);
    const auto columns = UserPreferenceVerticalFeature::ColumnsFromBits(c.bits);
    for (std::uint32_t f = 580; f <= 590; ++f) EXPECT_EQ(columns[f - 580], f == c.feature) << f;
    EXPECT_EQ(UserPreferenceVerticalFeature::BitsFromColumns(columns), c.bits);
  }

  // In a model: the columns are pushed only where the product has named papers.
  user_.StoreUserDataLongInRegistry(kKey, u"NamedPaperColumns", 2);
  user_.StoreUserDataLongInRegistry(kKey, u"NamedPaperList", 7711);
  for (bool namedPapers : {true, false}) {
    SCOPED_TRACE(namedPapers);
    Product product(namedPapers);
    UserPreferenceVerticalFeature preferences(printer_.handle);
    DataModelManager model(kDataModelModeUserInterface, u"");
    model.PopulateFromSourceData({&product, &preferences});
    DataModelFeatureServices& s = model.GetFeatureServices();
    for (std::uint32_t f = 580; f <= 590; ++f)
      EXPECT_EQ(s.GetCurrentValue(f).GetBoolean(), !namedPapers || f == 582) << f;
    EXPECT_EQ(s.GetCurrentValue(591).GetOption(), namedPapers ? 7711u : 7710u);
    EXPECT_EQ(s.GetCurrentValue(575).GetOption(), namedPapers ? 7711u : 4001u);

    // Saving writes the bit set back from the booleans.
    if (!namedPapers) continue;
    s.SetCurrentValue(581, FeatureValue::MakeBoolean(true));
    model.FireEvent(kEventSettingsApplied);
    DWORD stored = 0;
    ASSERT_TRUE(user_.GetUserDataLongFromRegistry(kKey, u"NamedPaperColumns", stored));
    EXPECT_EQ(stored, 0x6u);
  }
}

TEST_F(UserPreferencesTest, UnitsAndNameFlagsReachTheModel) {
  struct Case {
    DWORD unit;
    DWORD flag;
    std::uint32_t expectedUnit;  // 0: the declared default
    bool automatic;
    bool remembered;
    const char16_t* jobName;
    const char16_t* senderName;
  };
  const Case cases[] = {
      {6490, 0, 0, true, false, u"Stored job", u"alice"},
      {6492, 1, 6492, true, true, u"Stored job", u"alice"},
      {6491, 2, 6491, false, true, u"Stored job", u"Stored sender"},
      {9999, 7, 0, true, false, u"Stored job", u"alice"},  // values nobody could have chosen
  };
  user_.StoreUserDataStringInRegistry(kKey, u"JobName", u"Stored job");
  user_.StoreUserDataStringInRegistry(kKey, u"SenderName", u"Stored sender");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flag);
    user_.StoreUserDataLongInRegistry(kKey, u"Unit", c.unit);
    for (const char16_t* name : {u"JobNameFlag", u"SenderNameFlag", u"RecipientNameFlag"})
      user_.StoreUserDataLongInRegistry(kKey, name, c.flag);
    UserPreferenceVerticalFeature preferences(printer_.handle);
    DataModelManager model(kDataModelModeUserInterface, u"");
    model.PopulateFromSourceData({&preferences});
    DataModelFeatureServices& s = model.GetFeatureServices();
    EXPECT_EQ(s.IsSpecified(237), c.expectedUnit != 0);
    if (c.expectedUnit != 0) {
      EXPECT_EQ(s.GetCurrentValue(237).GetOption(), c.expectedUnit);
    }
    for (auto [automatic, remembered] : {std::pair{438u, 473u}, std::pair{439u, 472u}, std::pair{440u, 471u}}) {
      EXPECT_EQ(s.GetCurrentValue(automatic).GetBoolean(), c.automatic);
      EXPECT_EQ(s.GetCurrentValue(remembered).GetBoolean(), c.remembered);
    }
    EXPECT_EQ(s.GetCurrentValue(78).GetString(), CXString(c.jobName));
    EXPECT_EQ(s.GetCurrentValue(82).GetString(), CXString(c.senderName));
    EXPECT_EQ(s.GetCurrentValue(441).GetString(), CXString(u"alice"));
    EXPECT_EQ(s.GetCurrentValue(442).GetString(), CXString(u"<Name of document>"));
  }
}

TEST_F(UserPreferencesTest, SavingStoresTheNameGroupsAndOnlyWhatChanged) {
  user_.StoreUserDataStringInRegistry(kKey, u"RecipientName", u"Bob");
  user_.StoreUserDataLongInRegistry(kKey, u"RecipientNameFlag", 2);
  UserPreferenceVerticalFeature preferences(printer_.handle);
  DataModelManager model(kDataModelModeUserInterface, u"");
  model.PopulateFromSourceData({&preferences});
  DataModelFeatureServices& s = model.GetFeatureServices();
  s.SetCurrentValue(438, FeatureValue::MakeBoolean(false));  // job name: the stored one
  s.SetCurrentValue(78, FeatureValue::MakeString(u"Monthly"));
  s.SetCurrentValue(472, FeatureValue::MakeBoolean(true));  // sender: remembered, automatic
  s.SetCurrentValue(238, FeatureValue::MakeOption(6491));

  // A value written meanwhile by someone else survives a save that did not change it.
  user_.StoreUserDataStringInRegistry(kKey, u"RecipientName", u"Carol");
  model.FireEvent(kEventSettingsSaved);
  DWORD flag = 0;
  CXString name;
  EXPECT_TRUE(user_.GetUserDataLongFromRegistry(kKey, u"JobNameFlag", flag));
  EXPECT_EQ(flag, 2u);
  EXPECT_TRUE(user_.GetUserDataStringFromRegistry(kKey, u"JobName", name));
  EXPECT_EQ(name, CXString(u"Monthly"));
  EXPECT_TRUE(user_.GetUserDataLongFromRegistry(kKey, u"SenderNameFlag", flag));
  EXPECT_EQ(flag, 1u);
  EXPECT_TRUE(user_.GetUserDataStringFromRegistry(kKey, u"RecipientName", name));
  EXPECT_EQ(name, CXString(u"Carol"));
  DWORD unit = 0;
  EXPECT_TRUE(user_.GetUserDataLongFromRegistry(kKey, u"PaperUnit", unit));
  EXPECT_EQ(unit, 6491u);

  // Without the save events nothing is written.
  UserPreferenceVerticalFeature quiet(printer_.handle);
  quiet.SetObserveSaveEvents(false);
  DataModelManager other(kDataModelModeUserInterface, u"");
  other.PopulateFromSourceData({&quiet});
  other.GetFeatureServices().SetCurrentValue(78, FeatureValue::MakeString(u"Never"));
  other.GetFeatureServices().SetCurrentValue(438, FeatureValue::MakeBoolean(false));
  other.FireEvent(kEventSettingsSaved);
  EXPECT_TRUE(user_.GetUserDataStringFromRegistry(kKey, u"JobName", name));
  EXPECT_EQ(name, CXString(u"Monthly"));
}

TEST_F(UserPreferencesTest, MergeCarriesTheNamePreferencesInTheDevmode) {
  user_.StoreUserDataLongInRegistry(kKey, u"SenderNameFlag", 2);
  user_.StoreUserDataStringInRegistry(kKey, u"SenderName", u"Front desk");
  user_.StoreUserDataLongInRegistry(kKey, u"JobNameFlag", 1);
  user_.StoreUserDataBytesInRegistry(kKey, u"PasscodeKr", DataEncrypter::EncryptString(u"8642"));
  std::vector<std::uint8_t> section(XDevmode::kSectionSize);
  XDevmode::ClearOemDevmode(section.data());
  ASSERT_TRUE(UserPreferenceVerticalFeature(printer_.handle).WriteToOemSection(section.data()));

  XDevmode reader;
  ASSERT_TRUE(reader.Parse(section.data()));
  ByteBuffer record;
  ASSERT_TRUE(reader.GetEntry(3, record));
  EXPECT_EQ(record.size(), 12u);
  EXPECT_EQ(record.getDword(0), 1u);
  EXPECT_EQ(record.getDword(4), 2u);
  EXPECT_EQ(record.getDword(8), 0u);
  CXString text;
  EXPECT_TRUE(reader.GetEntryString(4, text));
  EXPECT_EQ(text, CXString(u"alice"));
  EXPECT_TRUE(reader.GetEntryString(7, text));
  EXPECT_EQ(text, CXString(u"Front desk"));
  for (std::uint16_t id : {5, 8, 9}) EXPECT_TRUE(reader.GetEntry(id, record)) << id;
  EXPECT_FALSE(reader.GetEntry(6, record)) << "no passcode in a devmode";
  const std::string bytes(section.begin(), section.end());
  EXPECT_EQ(bytes.find(std::string("8\0006\0004\0002\0", 8)), std::string::npos);

  // Where the per-user values are not at hand, the job's devmode carries them.
  user_.StoreUserDataStringInRegistry(kKey, u"SenderName", u"Changed since");
  UserPreferenceVerticalFeature job(printer_.handle, reader, u"Report.pdf");
  EXPECT_EQ(job.GetName(UserPreferenceVerticalFeature::kSenderName), CXString(u"Front desk"));
  EXPECT_EQ(job.GetNameFlag(UserPreferenceVerticalFeature::kJobName), 1u);
  DataModelManager model(kDataModelModeRendering, u"");
  model.PopulateFromSourceData({&job});
  EXPECT_EQ(model.GetFeatureServices().GetCurrentValue(442).GetString(), CXString(u"Report.pdf"));
  EXPECT_EQ(model.GetFeatureServices().GetCurrentValue(82).GetString(), CXString(u"Front desk"));

  // A section that is not valid is left alone.
  section[100] ^= 1;
  EXPECT_FALSE(UserPreferenceVerticalFeature(printer_.handle).WriteToOemSection(section.data()));
}

// Each child process saves its own preferences `rounds` times, the first
// save only after both have read theirs.
void SaveInChild(HANDLE printer, int ready, int go, bool jobSide, int rounds) {
  UserPreferenceVerticalFeature preferences(printer);
  DataModelManager model(kDataModelModeUserInterface, u"");
  model.PopulateFromSourceData({&preferences});
  DataModelFeatureServices& s = model.GetFeatureServices();
  char byte = 1;
  if (write(ready, &byte, 1) != 1 || read(go, &byte, 1) != 1) _exit(2);
  for (int i = 0; i < rounds; ++i) {
    const std::u16string name = (jobSide ? u"job " : u"sender ") + std::u16string(1, static_cast<char16_t>(u'a' + i));
    s.SetCurrentValue(jobSide ? 438 : 439, FeatureValue::MakeBoolean(false));
    s.SetCurrentValue(jobSide ? 78 : 82, FeatureValue::MakeString(name));
    if (!jobSide) s.SetCurrentValue(237, FeatureValue::MakeOption(i % 2 == 0 ? 6492 : 6491));
    model.FireEvent(kEventSettingsSaved);
  }
  _exit(0);
}

TEST_F(UserPreferencesTest, TwoProcessesSavingAtOnceKeepBothPreferences) {
  constexpr int kRounds = 20;
  int ready[2];
  int go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  pid_t children[2];
  for (int side = 0; side < 2; ++side) {
    children[side] = fork();
    ASSERT_GE(children[side], 0);
    if (children[side] == 0) SaveInChild(printer_.handle, ready[1], go[0], side == 0, kRounds);
  }
  char bytes[2] = {1, 1};
  ASSERT_EQ(read(ready[0], bytes, 1), 1);
  ASSERT_EQ(read(ready[0], bytes, 1), 1);
  ASSERT_EQ(write(go[1], bytes, 2), 2);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);

  UserPreferenceVerticalFeature after(printer_.handle);
  const std::u16string last(1, static_cast<char16_t>(u'a' + kRounds - 1));
  EXPECT_EQ(after.GetNameFlag(UserPreferenceVerticalFeature::kJobName), 2u);
  EXPECT_EQ(after.GetName(UserPreferenceVerticalFeature::kJobName), CXString(u"job " + last));
  EXPECT_EQ(after.GetNameFlag(UserPreferenceVerticalFeature::kSenderName), 2u);
  EXPECT_EQ(after.GetName(UserPreferenceVerticalFeature::kSenderName), CXString(u"sender " + last));
  EXPECT_EQ(after.GetUnit(), kRounds % 2 == 0 ? 6491u : 6492u);
}

}  // namespace
