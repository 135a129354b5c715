// The message-box presenter of a program that starts the window services: a real box in a nested loop,
// which automation can read and answer.
#include "window.h"

#include <gwes/shell.h>
#include <kernel/msgbox.h>

namespace gwes
{
namespace
{
class ScreenPresenter : public ce::MessageBoxPresenter
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
    if (!ce::GetMessageBoxPresenter())
        ce::SetMessageBoxPresenter(&presenter);
}

} // namespace gwes
