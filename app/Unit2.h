// The help window: the program's help text, read-only.
#pragma once

#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"

class TForm2 : public TForm {
 public:
  explicit TForm2(TComponent* Owner);

  TMemo* Memo1;

  void FormCreate(TObject* Sender);
};

extern TForm2* Form2;
