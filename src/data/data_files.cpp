#include "data/data_files.h"

#include <algorithm>
#include <cctype>
#include <span>

namespace lumiro::data {
namespace {

std::string folderOf(const std::string& path) {
    const std::string folder = engine::dirName(path);
    return folder.empty() ? std::string(".") : folder;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

}  // namespace

void replaceFile(engine::Env& env, const std::string& path, const QByteArray& bytes) {
    // Not a companion of any table: those have one extension only.
    const std::string temporary = path + ".tmp";
    try {
        {
            auto file = env.open(temporary, engine::OpenMode::CreateOrTrunc);
            file->write(0, std::as_bytes(std::span(bytes.constData(), std::size_t(bytes.size()))));
            file->sync();
        }
        env.rename(temporary, path);
    } catch (...) {
        try {
            env.remove(temporary);
        } catch (...) {
        }
        throw;
    }
    env.syncDir(folderOf(path));
}

std::optional<QByteArray> readFile(engine::Env& env, const std::string& path) {
    if (!env.exists(path)) return std::nullopt;
    auto file = env.open(path, engine::OpenMode::ReadOnly);
    QByteArray bytes(qsizetype(file->size()), '\0');
    file->readExact(0, std::as_writable_bytes(std::span(bytes.data(), std::size_t(bytes.size()))));
    return bytes;
}

void removeFile(engine::Env& env, const std::string& path) {
    if (!env.exists(path)) return;
    env.remove(path);
    env.syncDir(folderOf(path));
}

std::optional<std::string> findCompanion(engine::Session& session, const std::string& dataPath,
                                         const std::string& extension) {
    const std::string wanted = upper(extension);
    for (const std::string& file : session.companionFiles(dataPath)) {
        const std::string name = upper(engine::baseName(file));
        if (name.size() > wanted.size() &&
            name.compare(name.size() - wanted.size(), wanted.size(), wanted) == 0)
            return file;
    }
    return std::nullopt;
}

}  // namespace lumiro::data
