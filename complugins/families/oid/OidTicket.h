// The OID-ticket family: the job ticket as "%%OID_ATT_" comment lines at the
// very start of the stream (between "%%TMRbegin" and "%%TMRend", inside the
// PJL job-name wrapper, closed by the driver identification lines) and the
// page-device requests as feature blocks in the document setup.
#pragma once

#include <cstdint>
#include <functional>

#include "zqcore/DataModelIds.h"

#include "injection/InjectionEntry.h"
#include "platform/win32.h"
#include "zqutil/CXString.h"

class AttributeBytesReader;
class MsFeatureManager;
class WorkflowObject;
class XOemPdev;

namespace renpsoem {

// What the ticket needs beyond the settings. The two questions belong to the
// layout observer and to the workflow extension's data model; the dispatcher
// binds them for the job. Unbound, the sheet needs no automatic turn and the
// extension's ticket carries no feature.
struct OidEmission {
  // Receives the name the job was given (the saved-job name).
  CXString workspace;
  // The loaded workflow extension, or null.
  WorkflowObject* workflow = nullptr;
  // The layout observer's automatic rotation test for this job.
  std::function<bool()> autoRotationNeeded;
  // Whether the extension's own job ticket carries a feature.
  std::function<bool(std::uint32_t feature)> savedInExtensionTicket;
};

bool EmitOidFamilySettings(OidEmission& context, HANDLE hPrinter, XOemPdev& pdev, AttributeBytesReader& settings,
                           MsFeatureManager& features, InjectionList& list);

// The passcode as the ticket carries it: each code unit XORed with the
// printer's 10-unit key (units past the tenth unchanged), cut at the first
// unit that becomes 0.
CXString ObfuscatePasscode(const CXString& passcode);

struct AccountingInfo {
  bool valid = false;
  std::uint32_t system = DataModelIds::kValueNone;
  CXString userId;
  CXString accountId;
  std::uint32_t accountType = DataModelIds::kValueNone;
};

// The printer's accounting settings; the ids come from what was entered at
// print time (PDEV state) when the printer asks for them then.
AccountingInfo GetAccountingInfo(HANDLE hPrinter, const XOemPdev& pdev);

}  // namespace renpsoem
