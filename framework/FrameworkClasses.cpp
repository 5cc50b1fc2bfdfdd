// The framework's control classes, made known to the form reader in one place above them all.
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FormReader.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"

void RegisterFrameworkClasses()
{
    RegisterClasses({&TForm::StaticClassInfo(), &TPanel::StaticClassInfo(), &TImage::StaticClassInfo(),
                     &TLabel::StaticClassInfo(), &TButton::StaticClassInfo(), &TEdit::StaticClassInfo(),
                     &TMemo::StaticClassInfo(), &TCheckBox::StaticClassInfo(), &TPageControl::StaticClassInfo(),
                     &TTabSheet::StaticClassInfo(), &TProgressBar::StaticClassInfo(),
                     &TPopupMenu::StaticClassInfo(), &TMenuItem::StaticClassInfo()});
}
