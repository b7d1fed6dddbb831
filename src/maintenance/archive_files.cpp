#include "maintenance/archive_files.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "engine/error.h"
#include "engine/file_names.h"
#include "engine/session.h"
#include "engine/table.h"

namespace lumiro::maintenance {
namespace {

using engine::Env;
using namespace detail;

bool partExtension(const std::string& ext) {
    if (ext.size() != 2 && ext.size() != 3) return false;
    const std::string head = ext.substr(0, 2);
    return head == "DB" || head == "MB" || head == "PX" || head == "XG" || head == "YG";
}

void filesOf(Env& env, const std::string& folder, const std::string& relative, FileSet& set) {
    if (!env.isDir(folder)) return;
    std::vector<std::string> names = env.listDir(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = engine::joinPath(folder, name);
        if (env.isDir(path)) continue;
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        if (takesPart(name))
            set.files.push_back(rel);
        else if (leftOutForCase(name))
            set.leftOut.push_back(rel);
    }
}

// The files one level below each folder of `relative` in `root`.
void subfolderFiles(Env& env, const std::string& root, const std::string& relative, FileSet& set) {
    const std::string folder = engine::joinPath(root, relative);
    if (!env.isDir(folder)) return;
    std::vector<std::string> names = env.listDir(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name.empty() || name[0] == '.') continue;
        const std::string path = engine::joinPath(folder, name);
        if (env.isDir(path)) filesOf(env, path, relative + "/" + name, set);
    }
}

void createFolders(Env& env, const std::string& folder) {
    if (folder.empty() || folder == "." || folder == "/" || env.isDir(folder)) return;
    createFolders(env, engine::dirName(folder));
    env.createDir(folder);
}

}  // namespace

bool takesPart(const std::string& fileName) {
    return partExtension(extensionOf(fileName));
}

bool leftOutForCase(const std::string& fileName) {
    const std::string ext = extensionOf(fileName);
    return !partExtension(ext) && partExtension(upper(ext));
}

FileSet collectFiles(Env& env, const std::string& root, const std::vector<std::string>& years) {
    FileSet set;
    filesOf(env, root, {}, set);
    const auto entry = [&](const std::string& name) {
        return engine::baseName(engine::resolveExisting(env, engine::joinPath(root, name)).path);
    };
    subfolderFiles(env, root, entry("BAZA"), set);
    for (const std::string& year : years) subfolderFiles(env, root, entry(year), set);
    return set;
}

namespace detail {

std::string extensionOf(const std::string& name) {
    const std::string base = engine::baseName(name);
    const auto dot = base.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? std::string() : base.substr(dot + 1);
}

std::string stemOf(const std::string& path) {
    const std::string ext = extensionOf(path);
    return ext.empty() ? path : path.substr(0, path.size() - ext.size() - 1);
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

std::string join(const std::string& folder, const std::string& relative) {
    return relative.empty() ? folder : engine::joinPath(folder, relative);
}

std::string folderOfRelative(const std::string& relative) {
    return relative.find('/') == std::string::npos ? std::string() : engine::dirName(relative);
}

std::string located(Env& env, const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    // Links and "." / ".." first, then the letter case of what exists, then the links that
    // the names so found lead through.
    return env.realPath(engine::resolveExisting(env, env.realPath(p)).path);
}

bool within(const std::string& inner, const std::string& outer) {
    if (outer == "/") return true;
    return inner == outer ||
           (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
            inner[outer.size()] == '/');
}

bool isTable(const std::string& file) {
    return upper(extensionOf(file)) == "DB";
}

std::string tableKey(const std::string& relative) {
    return engine::fileNameKey(stemOf(relative));
}

QStringList qstrings(const std::vector<std::string>& list) {
    QStringList out;
    for (const auto& s : list) out.append(QString::fromStdString(s));
    return out;
}

QString tableProblems(Env& env, const std::string& dataPath) {
    try {
        engine::Session session("SPRAWDZENIE", env);
        engine::Table table(session);
        table.open(dataPath, engine::AccessMode::ReadOnly);
        // Each block once: the index files' checksums and counts vouch for their entries.
        const auto problems = table.verify(false);
        return problems.empty() ? QString() : QString::fromStdString(problems.front());
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

void copyInto(Env& env, const std::string& from, const std::string& to) {
    createFolders(env, engine::dirName(to));
    env.copyFile(from, to);
}

void syncCopiedFolders(Env& env, const std::string& top, const std::vector<std::string>& files) {
    std::set<std::string> folders;
    for (const std::string& f : files)
        for (std::string folder = folderOfRelative(f); !folder.empty();
             folder = folderOfRelative(folder))
            folders.insert(folder);
    // Deepest first, so that each folder's own name is made durable after what it holds.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        env.syncDir(engine::joinPath(top, *it));
    env.syncDir(top);
}

QString copyFailure(const std::string& relative, const std::exception& e) {
    return QString::fromStdString(relative) + QStringLiteral(": ") + QString::fromUtf8(e.what());
}

Progress::Progress(const std::function<void()>& step) : step_(step) {
    if (step_) step_();
}

void Progress::at(const std::string& file) {
    const auto slash = file.find('/');
    const std::string group = slash == std::string::npos ? std::string() : file.substr(0, slash);
    const bool year = !group.empty() && upper(group) != "BAZA";
    if (!rootDone_ && !group.empty()) {
        rootDone_ = true;
        if (step_) step_();
    }
    if (year && group != current_ && step_) step_();
    current_ = group;
}

}  // namespace detail
}  // namespace lumiro::maintenance
