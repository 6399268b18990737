#include "PageFiles.h"

#include "interchange/Html5Page.h"
#include "interchange/InkmlWriter.h"
#include "interchange/InterchangeFiles.h"
#include "interchange/PageText.h"
#include "platform/FileSystem.h"

#include "keyboard/HtmlConversion.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <functional>
#include <new>
#include <utility>

namespace {

constexpr char kSvgSuffix[] = ".svg";

struct PageFile {
    std::string (*nameFor)(const std::string& htmlPath);
    std::function<std::string(const CPageStrokes&, const PageReadings&, const PageHandwriting*)> content;
};

std::vector<PageFile> AskedFor(const ConvertOptions& options)
{
    std::vector<PageFile> files;
    if (options.text)
        files.push_back({&TextFileFor, [](const CPageStrokes&, const PageReadings& r, const PageHandwriting* h) {
                             return PageText(r, h);
                         }});
    if (options.inkml)
        files.push_back({&InkmlFileFor, &InkmlDocument});
    if (options.html5)
        files.push_back({&Html5PageFor, [](const CPageStrokes&, const PageReadings& r, const PageHandwriting* h) {
                             return Html5Page(r, h);
                         }});
    return files;
}

}  // namespace

bool WantsPageFiles(const ConvertOptions& options) { return options.text || options.inkml || options.html5; }

std::optional<std::string> ExistingPageFile(const ConvertOptions& options, const std::string& htmlPath,
                                            const std::string& shownPage, const std::string& inkBase)
{
    if (options.force)
        return std::nullopt;
    for (const PageFile& file : AskedFor(options)) {
        const std::string path = file.nameFor(htmlPath);
        if (PathExists(path) || IsLink(path))
            return file.nameFor(shownPage);
    }
    if (options.svg) {
        // The lowest numbered, whatever order the folder lists them in.
        long lowest = -1;
        std::string first;
        for (const std::string& name : FolderEntries(PictureDirectoryFor(htmlPath))) {
            const long number = PictureNumber(name, inkBase, kSvgSuffix);
            if (number >= 0 && (lowest < 0 || number < lowest)) {
                lowest = number;
                first = name;
            }
        }
        if (lowest >= 0)
            return JoinPath(PictureDirectoryFor(shownPage), first);
    }
    return std::nullopt;
}

bool PageFilesPresent(const ConvertOptions& options, const std::string& htmlPath, const std::string& inkBase)
{
    for (const PageFile& file : AskedFor(options)) {
        const std::string path = file.nameFor(htmlPath);
        if (!PathExists(path) || IsFolder(path))
            return false;
    }
    if (!options.svg)
        return true;
    // The pictures of a page and their drawings are published together: the
    // first one stands for them all.
    const std::string first = JoinPath(PictureDirectoryFor(htmlPath), inkBase + ".1");
    return !PathExists(first + ".JPG") || PathExists(first + kSvgSuffix);
}

long PictureNumber(const std::string& fileName, const std::string& inkBase, const std::string& suffix)
{
    const std::size_t digits = fileName.size() - std::min(fileName.size(), inkBase.size() + 1 + suffix.size());
    if (digits == 0 || fileName.compare(0, inkBase.size(), inkBase) != 0 || fileName[inkBase.size()] != '.' ||
        fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0)
        return -1;
    const std::string number = fileName.substr(inkBase.size() + 1, digits);
    if (number.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return number.size() < 10 ? std::stol(number) : LONG_MAX;
}

bool PageFileNamedLikeThePage(const ConvertOptions& options, const std::string& htmlPath)
{
    for (const PageFile& file : AskedFor(options)) {
        if (file.nameFor(htmlPath) == htmlPath)
            return true;
    }
    return false;
}

void StagePageFiles(const ConvertOptions& options, const CPageStrokes& page, const PageReadings& readings,
                    const PageHandwriting* handwriting, const std::string& htmlPath, FilePublish publish, CStagedPage& staged,
                    const std::function<void(const std::string& path, int error)>& failed)
{
    for (const PageFile& file : AskedFor(options)) {
        const std::string path = file.nameFor(htmlPath);
        CSafeFile made;
        int error = made.Open(path);
        try {
            if (error == 0 && !made.Write(file.content(page, readings, handwriting)))
                error = errno != 0 ? errno : EIO;
        } catch (const std::bad_alloc&) {
            error = ENOMEM;
        }
        if (error == 0)
            error = made.Finish(FileSync::Later);
        if (error != 0) {
            made.Discard();
            staged.AfterPublish([failed, path, error] { failed(path, error); });
            continue;
        }
        staged.AddBeside(std::move(made), publish, [failed, path](int late) { failed(path, late); });
    }
}
