#include "ui/MainDialog.h"

#include "ink/QuadMapping.h"
#include "keyboard/PageStrokes.h"
#include "platform/Controls.h"
#include "platform/CurrentDirectory.h"
#include "platform/ListView.h"
#include "platform/Shell.h"
#include "ui/KeyboardSetupDialog.h"
#include "ui/ResourceIds.h"

#include <utility>

CMainDialog::CMainDialog(PageWriter writePage) : writePage_(std::move(writePage)) {}

CMainDialog::~CMainDialog() = default;

bool CMainDialog::OnInitDialog(const MainDialogControls& controls)
{
    controls_ = controls;
    fileList_.Attach(*controls_.fileList);
    controls_.frame->SetIcon(IDR_MAINFRAME);
    fileList_.InsertColumns();

    mapping_ = std::make_unique<CQuadMapping>();
    mapping_->SetTraceStream(traceStream_);
    mapping_->SelfTest();
    keyboard_.SetMapping(mapping_.get());
    keyboard_.SetMessageBox(controls_.messages);

    // Without softKB.skb (its message has been shown) the window opens bare:
    // no pictures, no caption and no hint rows, though the hint state holds,
    // so converting answers with the drop message.
    keyboardLoaded_ = keyboard_.Load();
    if (!keyboardLoaded_)
        return true;

    controls_.exit->SetImage(IDB_EXIT);
    controls_.help->SetImage(IDB_HELP);
    controls_.keySetup->SetImage(IDB_KEY_SETUP);
    controls_.convert->SetImage(IDB_CONVERT);
    controls_.remove->SetImage(IDB_REMOVE);
    controls_.fileList->SetFullRowSelect(true);
    controls_.frame->SetCaption("Veda-Rovodad for Inkora");
    fileList_.InsertHintRows();
    return true;
}

void CMainDialog::OnDestroy()
{
    // The pages and the keyboard hold the mapping without owning it; none of
    // them is used once the window is gone.
    results_.clear();
    keyboard_.SetMapping(nullptr);
    mapping_.reset();
}

void CMainDialog::OnDropFiles(const std::vector<std::string>& paths)
{
    if (conversion_.Running())
        return;
    fileList_.AddFiles(paths);
    controls_.convert->Enable(true);
}

void CMainDialog::OnRemoveSelected()
{
    if (!conversion_.Running())
        fileList_.RemoveSelected();
}

void CMainDialog::OnListClick() { controls_.remove->Enable(controls_.fileList->SelectedCount() > 0); }

void CMainDialog::OnListDoubleClick()
{
    const IListView& list = *controls_.fileList;
    const int row = list.NextSelected(-1);
    const char* const converted = OutcomeText(InkFileConversion::Outcome::Converted);
    if (row < 0 || list.GetItemText(row, CInkFileList::kStatusColumn) != converted)
        return;
    controls_.shell->Open(list.GetItemText(row, CInkFileList::kHtmlColumn));
}

void CMainDialog::OnHelp()
{
    // The manual is looked for where the process stands now, not beside the
    // program; the shell takes the forward slash on every platform.
    controls_.shell->Open(GetCurrentDir() + "/SKBmanual.pdf");
}

bool CMainDialog::OnF1(bool shift, bool ctrl, bool alt)
{
    if (shift || ctrl || alt)
        return false;
    OnHelp();
    return true;
}

void CMainDialog::OnKeyboardSetup()
{
    if (conversion_.Running())
        return;
    CKeyboardSetupDialog setup(keyboard_.Messages());
    if (controls_.keyboardSetup->Run(setup) != DialogResult::Ok)
        return;
    // A file that cannot be read again has shown its message; the keyboard
    // then keeps what it had.
    static_cast<void>(keyboard_.Load());
}

void CMainDialog::OnConvert()
{
    if (conversion_.Running())
        return;
    if (!keepRunPages_)
        results_.clear();
    conversion_.Run(fileList_, keyboard_, mapping_.get(), *controls_.saveDialog, writePage_,
                    keepRunPages_ ? &results_ : nullptr, conversionObserver_);
}
