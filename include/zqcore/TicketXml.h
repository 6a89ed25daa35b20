// The XML job ticket: a settings list written as one XML document (UTF-8).
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <JobTicket schema="216">
//     <Feature id="46" kind="option" value="4421"/>
//     <Feature id="78" kind="string" value="Report &amp; notes"/>
//     <Feature id="144" kind="list">
//       <Item kind="option" value="5260"/>
//     </Feature>
//     <Feature id="210" kind="collection">
//       <Feature id="164" kind="paperSize" width="2100" length="2970"/>
//     </Feature>
//   </JobTicket>
//
// One Feature element per specified feature, in ascending feature number
// (collections likewise); features not specified or without a value are left
// out. Kinds: option (with name="..." for a new-value id), integer, boolean
// (true/false), string, paperSize (tenths of a millimetre), collection and
// list (Item elements in list order). Text that XML cannot hold as it is
// (markup characters, line breaks and tabs in attribute values) is written as
// references; code points XML does not allow at all become U+FFFD.
#pragma once

#include "platform/win32.h"
#include "zqutil/AttributeBytes.h"
#include "zqutil/ByteBuffer.h"

namespace zqcore {

// The ticket schema the plug-in asks for.
inline constexpr DWORD kTpifTicketSchema = 216;

// Appends the ticket for `features` to `out`.
void ExportTicketXml(const AttributeBytesList& features, DWORD schema, ByteBuffer& out);

}  // namespace zqcore
