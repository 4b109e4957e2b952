#include "app/SnapshotRecords.h"

void TShortString80::Assign(const std::string& text) {
  Length = static_cast<BYTE>(text.size() < sizeof Chars ? text.size() : sizeof Chars);
  text.copy(Chars, Length);
}
