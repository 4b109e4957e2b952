#include "app/Unit2.h"

#include "vcl/SysUtils.h"

TForm2* Form2 = nullptr;

TForm2::TForm2(TComponent* Owner) : TForm(Owner) {
  Name = "Form2";
  SetCaption("Help");
  SetBounds(0, 0, 490, 390);
  Position = poScreenCenter;
  Font = TFont{"Times New Roman", -11};

  Memo1 = new TMemo(this);
  Memo1->Name = "Memo1";
  Memo1->SetAlign(alClient);
  Memo1->SetBounds(0, 0, ClientWidth(), ClientHeight());
  Memo1->SetReadOnly(true);
  Memo1->SetScrollBars(ssVertical);
  Memo1->SetFont(TFont{"Times New Roman", -13});
  Memo1->SetTabOrder(0);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
}

// The help text is read once, at start-up, from the program's own directory.
void TForm2::FormCreate(TObject* /*Sender*/) {
  Memo1->Lines()->LoadFromFile(ExtractFilePath(Application->ExeName()) + "readme.txt");
}
