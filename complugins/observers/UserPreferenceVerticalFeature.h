// UserPreferenceVerticalFeature: a user's printing preferences kept between
// jobs and restarts in the per-user registry values under the key
// "UserPreferenceVerticalFeature": units, PostScript pass-through, refresh
// rate, how the job, sender and recipient names are filled in, the named-paper
// columns and list, and the job passcode (encrypted with DataEncrypter, never
// stored in clear; one value per controller family).
//
// Made from the registry, it offers the values to a data model (declaring its
// features, then pushing the values when attached) and writes back what the
// model changed when the model reports that settings were saved or applied.
// Only values that differ from what this object last read or wrote are
// written, so two processes saving different preferences at once keep both.
//
// Outside the spooler the devmode merge copies the name preferences into the
// devmode's private section (entries 3 to 9), so the job carries them to
// where the per-user values are not at hand:
//   3  12 bytes: job-name, sender-name and recipient-name flags (32-bit LE, 0 to 2)
//   4  the user name   5  the job name   7  the sender name   8  the recipient name
//   9  the document-name placeholder
// Entry 6 stays free: the passcode never travels in a devmode.
#pragma once

#include <array>
#include <cstdint>

#include "devmode/XDevmode.h"
#include "platform/win32.h"
#include "zqcore/DataModelManager.h"
#include "zqutil/Observer.h"

class UserPreferenceVerticalFeature : public DataSource, public IObserver {
 public:
  static constexpr char16_t kRegistryKey[] = u"UserPreferenceVerticalFeature";
  static constexpr char16_t kDocumentNamePlaceholder[] = u"<Name of document>";

  static constexpr std::uint16_t kEntryNameFlags = 3;
  static constexpr std::uint16_t kEntryUserName = 4;
  static constexpr std::uint16_t kEntryJobName = 5;
  static constexpr std::uint16_t kEntrySenderName = 7;
  static constexpr std::uint16_t kEntryRecipientName = 8;
  static constexpr std::uint16_t kEntryDocumentName = 9;

  // Name groups, in the order job name, sender name, recipient name.
  enum NameGroup { kJobName = 0, kSenderName = 1, kRecipientName = 2 };

  // The preferences of the current user, for the printer when the handle is valid.
  explicit UserPreferenceVerticalFeature(HANDLE hPrinter = nullptr);
  // For a job: the name preferences the devmode carries (entries 3 to 9)
  // replace the registry's, and the document name replaces the placeholder.
  UserPreferenceVerticalFeature(HANDLE hPrinter, XDevmode& settings, const CXString& documentName);

  // Writes entries 3 to 9 into a private devmode section; false when the
  // section is not valid. An entry that no longer fits is left out.
  bool WriteToOemSection(void* section) const;

  // Whether a save or apply event writes the preferences back (default true).
  void SetObserveSaveEvents(bool observe) { observeSaveEvents_ = observe; }

  // The registry value of a family's passcode; null for a family without one.
  static const char16_t* PasscodeValueName(DWORD controllerFamily);
  // A passcode a family accepts: digits only, at least 4 of them for the
  // procset and OID families, at least 1 for the plain and PJL families.
  static bool IsAcceptablePasscode(DWORD controllerFamily, const CXString& passcode);
  // The named-paper column features (580 to 590) shown in a bit set.
  static std::array<bool, 11> ColumnsFromBits(DWORD bits);
  static DWORD BitsFromColumns(const std::array<bool, 11>& columns);

  const CXString& GetPasscode() const { return passcode_; }
  DWORD GetUnit() const { return unit_; }
  DWORD GetNameFlag(NameGroup group) const { return nameFlags_[group]; }
  const CXString& GetName(NameGroup group) const { return names_[group]; }
  DWORD GetNamedPaperColumns() const { return namedPaperColumns_; }

  // DataSource
  void IntegrateSourceData(DataModelManager& model) override;
  void RegisterForCurrentSettingsChanges(DataModelManager& model) override;
  // IObserver: save and apply events; changes of the name features.
  void Notify(const NotificationBundle& bundle) override;
  CXString GetObserverClassNameHeirarchy() const override { return u"IObserver:UserPreferenceVerticalFeature"; }

 private:
  void LoadFromRegistry();
  void LoadPasscode();
  DWORD GetControllerFamily() const;
  void Save(DataModelManager& model);
  void StoreLong(const CXString& valueName, DWORD value) const;
  void StoreString(const CXString& valueName, const CXString& value) const;

  HANDLE printer_;
  DWORD unit_;
  DWORD paperUnit_;
  DWORD passThrough_;
  std::array<DWORD, 3> nameFlags_{};
  std::array<CXString, 3> names_;
  CXString passcode_;
  CXString userName_;
  CXString documentName_ = kDocumentNamePlaceholder;
  DWORD refreshRate_;
  DWORD namedPaperList_;
  DWORD namedPaperColumns_;
  bool observeSaveEvents_ = true;
};
