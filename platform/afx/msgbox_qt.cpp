// The message-box presenter of a framework program: a real box in a nested loop, which automation can
// read and answer.
#include "afximpl.h"

#include <afx/msgbox.h>
#include <gwes/shell.h>

namespace afx::impl
{
namespace
{
class ScreenPresenter : public afx::MessageBoxPresenter
{
public:
    int Present(HWND hOwner, std::u16string_view text, std::u16string_view caption, UINT type) override
    {
        return gwes::ShowMessageBox(hOwner, text, caption, type);
    }
};
} // namespace

void InstallScreenPresenter()
{
    static ScreenPresenter presenter;
    // A presenter installed before (a test's recorder) stays.
    if (!afx::GetMessageBoxPresenter())
        afx::SetMessageBoxPresenter(&presenter);
}

} // namespace afx::impl
