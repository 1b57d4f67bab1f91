#pragma once
// Files and the process environment. Paths are GBK text; they are converted to the platform's file-name
// encoding (UTF-8) before they reach the file system.
#include <initializer_list>
#include <string>

#include "core/Text.h"

namespace dorvane {

// GBK path to the platform path (UTF-8 on Linux).
std::string NativePath(const Text& gbkPath);
// The process's current directory as GBK text, without a trailing separator except at the root; empty on
// failure.
Text CurrentDirectory();
// Creates that one directory (its parent must exist); true on success.
bool CreateDirectory(const Text& path);
// Writes the parts one after the other into a temporary file beside the target and renames it into place,
// so a stop or a crash never leaves a half-written file under the final name. False, with nothing written,
// when the path is empty or the file cannot be written. An existing file is replaced as a whole; null or
// empty parts add nothing. No temporary file is left behind, whatever the outcome.
bool WriteFile(const Text& path, std::initializer_list<const Bytes*> parts);
bool WriteFile(const Text& path, const Bytes& data);

// A file written in two steps: Stage writes the parts under a temporary name beside the target, Commit
// renames it into place. Until the commit the final name keeps what it held; a staged file that is never
// committed (a stop in between) is removed when the object goes away. WriteFile is Stage + Commit.
class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // False, with nothing left behind, when the path is empty or the file cannot be written.
    bool Stage(const Text& path, std::initializer_list<const Bytes*> parts);
    // True when the staged file now stands under its final name.
    bool Commit();
    void Discard();
    // The system's error number of the last Stage or Commit that failed for a reason of the system's
    // (ENOSPC, EACCES, ENOTDIR, ...); 0 after a success or a refusal of its own.
    int Error() const { return m_error; }

private:
    bool Failed(int error);

    std::string m_temporary;
    std::string m_final;
    int m_error = 0;
};
// Writes a downloaded image under its final name (atomically, through the file layer). An empty download
// result does not replace a file that already holds bytes from an earlier run: false, nothing touched. Where
// no such file exists a zero-length file is still written, so the numbering of the album stays visible.
// Passes the worker's check point first, so a stopped worker writes nothing more.
bool WriteImageFile(const Text& path, const Bytes& bytes);
// The first half of WriteImageFile: the bytes are written under a temporary name, to be committed (or
// dropped) later, so that the writing can overlap a wait. False when there is nothing to commit (the
// empty-result rule above, or the file cannot be written).
bool StageImageFile(StagedFile& file, const Text& path, const Bytes& bytes);

// The system's words for an error number ("No space left on device").
Text SystemErrorText(int error);
// True for a write error that every other write onto the same file system meets too: a full disk or
// quota, a read-only file system.
bool FailsEveryWrite(int error);
// 0 when the folder exists and files can be made in it; otherwise the system's error number.
int FolderWriteError(const Text& folder);

// True when a file of at least one byte exists at the path.
bool HasContent(const Text& path);
// Reads a whole regular file; empty when it cannot be read.
Bytes ReadFile(const Text& path);
// Sleeps the calling thread; negative counts as 0.
void Delay(long long milliseconds);

}  // namespace dorvane
