#pragma once

#include "platform/MessageBox.h"
#include "platform/SafeFile.h"

#include <functional>
#include <string>
#include <vector>

// A page written to temporary files and not yet given its name: its
// pictures, the page, and the files asked for beside it, each finished and
// waiting to be synced. Publish names them in that order, so a page on disk
// only ever shows pictures that are there whole, and the files beside a page
// come after it. What is not published goes with the object: its temporary
// files, and the picture folder when it was made for this page and holds
// nothing else.
//
// Many staged pages are synced together (SyncTogether over CollectFiles of
// each) before any of them is published: a batch pays for one commit of the
// file system, not one per file.
class CStagedPage {
public:
    CStagedPage(std::string htmlPath, FilePublish publish);
    ~CStagedPage();
    CStagedPage(const CStagedPage&) = delete;
    CStagedPage& operator=(const CStagedPage&) = delete;

    const std::string& HtmlPath() const { return htmlPath_; }

    // The picture folder, made now when missing. 0, or the errno of the
    // failure; a folder that is a symbolic link is refused (ELOOP), since
    // the pictures would land wherever it points.
    int MakePictureFolder(const std::string& folder);
    void AddPicture(CSafeFile&& picture) { pictures_.push_back(std::move(picture)); }
    void SetPage(CSafeFile&& page) { page_ = std::move(page); }
    // A file beside the page, published after it with `how`; when it cannot
    // be, `failed` is told the errno and the page stands.
    void AddBeside(CSafeFile&& file, FilePublish how, std::function<void(int error)> failed);
    // Done once the page and the files beside it are published, in the
    // order added; never when the page is not.
    void AfterPublish(std::function<void()> action) { after_.push_back(std::move(action)); }

    // The finished files that wait for their sync, appended to `files`.
    void CollectFiles(std::vector<CSafeFile*>& files);
    // Syncs what still waits, then names the pictures and the page. A
    // failure of either shows the page's one message on `messages` and
    // publishes nothing further: false. Then the files beside the page and
    // the actions after it.
    bool Publish(IMessageBox& messages);

private:
    struct Beside {
        CSafeFile file;
        FilePublish how;
        std::function<void(int)> failed;
    };

    std::string htmlPath_;
    FilePublish publish_;
    std::string folder_;
    bool folderMadeNow_ = false;
    bool published_ = false;
    std::vector<CSafeFile> pictures_;
    CSafeFile page_;
    std::vector<Beside> beside_;
    std::vector<std::function<void()>> after_;
};
