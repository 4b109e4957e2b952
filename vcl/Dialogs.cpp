#include "vcl/Dialogs.h"

#include "vcl/Forms.h"

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TOpenDialog::Execute() {
  if (!Application->FrontEnd()) Application->Initialize();
  const auto chosen = Application->FrontEnd()->ExecuteFileDialog(
      IsSaveDialog() ? vcl::FileDialogKind::Save : vcl::FileDialogKind::Open, *this);
  if (!chosen) return false;
  FileName = *chosen;
  return true;
}

std::vector<TFilterEntry> ParseFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= filter.size() && !filter.empty()) {
    const std::size_t end = std::min(filter.find('|', start), filter.size());
    parts.push_back(filter.substr(start, end - start));
    start = end + 1;
  }
  std::vector<TFilterEntry> entries;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    TFilterEntry entry{parts[i], {}};
    std::size_t from = 0;
    const std::string& patterns = parts[i + 1];
    while (from < patterns.size()) {
      const std::size_t to = std::min(patterns.find(';', from), patterns.size());
      if (to > from) entry.Patterns.push_back(patterns.substr(from, to - from));
      from = to + 1;
    }
    if (!entry.Patterns.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

void ShowMessage(const std::string& text) { Application->MessageBox(text, Application->Title, MB_OK); }
