#include "app/overwrite_guard.h"

#include "runtime/files.h"
#include "runtime/text.h"

namespace app {

namespace {

constexpr std::uint32_t kLongName = 1024;

struct Search {
    const ImportedFile* imported;
    const OutputNames* names;
    std::uint64_t files;
    Progress* progress;
    rt::TextValue* found;
    Guard outcome = Guard::kClear;
};

bool visit(const char* name, void* context) {
    auto* search = static_cast<Search*>(context);
    if (!keepGoing(search->progress, 0, 1)) {
        search->outcome = Guard::kStopped;
        return false;
    }
    const std::uint64_t number = search->names->numberOf(name);
    if (number == 0 || number > search->files) return true;
    rt::TextValue full(rt::joinTexts({search->names->folder(), "\\", name}));
    if (!search->imported->is(full.get())) return true;
    search->found->reset(full.release());
    search->outcome = Guard::kWouldOverwrite;
    return false;
}

} // namespace

void ImportedFile::describe(std::intptr_t handle, const char* path) {
    identified_ = rt::fileIdentity(handle, &identity_);
    char full[kLongName];
    fullName_.reset(platform::fullFileName(rt::orEmpty(path), full, sizeof full)
                        ? rt::copyText(full)
                        : nullptr);
}

bool ImportedFile::is(const char* name) const {
    platform::FileIdentity other;
    if (identified_ && platform::fileIdentityOf(name, &other) && identity_.comparableWith(other))
        return identity_.sameAs(other);
    // Without identities both trust, only the names can tell.
    char full[kLongName];
    if (fullName_.empty() || !platform::fullFileName(name, full, sizeof full)) return true;
    return platform::sameFileName(full, fullName_.get());
}

Guard guardImported(const ImportedFile& imported, const OutputNames& names, std::uint64_t files,
                    Progress* progress, rt::TextValue* found) {
    Search search{&imported, &names, files, progress, found};
    platform::listFiles(names.folder(), names.pattern(), visit, &search);
    return search.outcome;
}

} // namespace app
