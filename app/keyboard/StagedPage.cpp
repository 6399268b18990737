#include "keyboard/StagedPage.h"

#include "keyboard/HtmlConversion.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <utility>

namespace {

constexpr char kPageOpenFailedMessage[] = "出力するHTMLファイルのOPENに失敗しました";

}  // namespace

CStagedPage::CStagedPage(std::string htmlPath, FilePublish publish) : htmlPath_(std::move(htmlPath)), publish_(publish)
{
}

CStagedPage::~CStagedPage()
{
    // The temporary files go before the folder they lie in.
    beside_.clear();
    pictures_.clear();
    page_.Discard();
    if (folderMadeNow_ && !published_)
        static_cast<void>(RemoveEmptyFolder(folder_));
}

int CStagedPage::MakePictureFolder(const std::string& folder)
{
    folder_ = folder;
    if (IsLink(folder_))
        return ELOOP;
    folderMadeNow_ = !PathExists(folder_);
    const int error = MakeFolder(folder_);
    if (error != 0)
        folderMadeNow_ = false;
    return error;
}

void CStagedPage::AddBeside(CSafeFile&& file, FilePublish how, std::function<void(int error)> failed)
{
    beside_.push_back({std::move(file), how, std::move(failed)});
}

void CStagedPage::CollectFiles(std::vector<CSafeFile*>& files)
{
    for (CSafeFile& picture : pictures_)
        files.push_back(&picture);
    files.push_back(&page_);
    for (Beside& beside : beside_)
        files.push_back(&beside.file);
}

bool CStagedPage::Publish(IMessageBox& messages)
{
    std::vector<CSafeFile*> files;
    CollectFiles(files);
    if (const int error = SyncTogether(files); error != 0) {
        messages.Show({kHtmlWriteFailedMessage, MessageIcon::Exclamation, error});
        return false;
    }
    // A page that must find its name free and cannot publishes nothing.
    if (publish_ == FilePublish::Exclusive && (PathExists(htmlPath_) || IsLink(htmlPath_))) {
        messages.Show({kPageOpenFailedMessage, MessageIcon::Exclamation, EEXIST, htmlPath_});
        return false;
    }
    for (CSafeFile& picture : pictures_) {
        if (const int error = picture.Publish(FilePublish::Replace); error != 0) {
            messages.Show({kPictureWriteFailedMessage, MessageIcon::Exclamation, error});
            return false;
        }
    }
    if (const int error = page_.Publish(publish_); error != 0) {
        messages.Show({error == EEXIST ? kPageOpenFailedMessage : kHtmlWriteFailedMessage, MessageIcon::Exclamation,
                       error});
        return false;
    }
    published_ = true;
    for (Beside& beside : beside_) {
        if (const int error = beside.file.Publish(beside.how); error != 0 && beside.failed)
            beside.failed(error);
    }
    beside_.clear();
    std::vector<std::function<void()>> after = std::move(after_);
    after_.clear();
    for (const std::function<void()>& action : after)
        action();
    return true;
}
