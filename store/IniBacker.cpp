#include "store/IniBacker.h"

#include "store/IniFile.h"
#include "store/IniPaths.h"
#include "store/IniStamp.h"
#include "store/Log.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace fs = std::filesystem;

namespace {

const char* const kBackupFolder = "INI_Backup";
constexpr size_t kBlock = 8192;

[[noreturn]] void OpenFailed(const std::string& path)
{
    throw EIniWriteError(Format("Error raised while attempting to open file %s", path));
}

std::string Collapse(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return path;
    return PathJoin(path.substr(0, slash), {}, path.substr(slash + 1));
}

void SyncFolder(const std::string& dir)
{
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

int64_t ModTime(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

bool RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

std::string FileName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

const std::vector<std::string>& ProtectedIniFiles()
{
    static const std::vector<std::string> names = {
        "DialToOpening",    "DryMaterialPresets",        "FiregateModelValues", "FiregatePresets",
        "LastSelectedPreset", "RelativeDigitalToPhysical", "Tank_Coefficients"};
    return names;
}

int RingSlotToWrite(const TRingSlots& ring)
{
    for (int i = 0; i < kRingSlots; ++i)
        if (!ring.present[i])
            return i;
    int oldest = 0;
    for (int i = 1; i < kRingSlots; ++i)
        if (ring.time[i] < ring.time[oldest])
            oldest = i;
    return oldest;
}

std::vector<int> RingRestoreOrder(const TRingSlots& ring)
{
    std::vector<int> order;
    int freeSlot = -1;
    for (int i = 0; i < kRingSlots && freeSlot < 0; ++i)
        if (!ring.present[i])
            freeSlot = i;
    if (freeSlot >= 0) {
        // Writing a slot frees the next one, so the first free slot follows
        // the newest copy.
        for (int k = 1; k < kRingSlots; ++k) {
            const int slot = (freeSlot - k + kRingSlots) % kRingSlots;
            if (ring.present[slot])
                order.push_back(slot);
        }
        return order;
    }
    for (int i = 0; i < kRingSlots; ++i)
        order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return ring.time[a] > ring.time[b]; });
    return order;
}

bool FileCopy(const std::string& source, const std::string& destination)
{
    const std::string src = Collapse(source);
    const std::string dst = Collapse(destination);
    const size_t slash = dst.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dst.substr(0, slash));
    if (!DirectoryExists(dir)) {
        std::error_code ec;
        fs::create_directories(dir, ec);
    }
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        OpenFailed(src);
    std::string tmpl = dst + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int out = ::mkstemp(name.data());
    if (out < 0) {
        ::close(in);
        OpenFailed(dst);
    }
    const std::string tmp(name.data());
    auto fail = [&](const std::string& path) {
        ::close(in);
        ::close(out);
        ::unlink(tmp.c_str());
        OpenFailed(path);
    };
    ::fchmod(out, 0644);
    char buf[kBlock];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(src);
        }
        size_t done = 0;
        while (done < static_cast<size_t>(n)) {
            const ssize_t w = ::write(out, buf + done, static_cast<size_t>(n) - done);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                fail(dst);
            }
            done += static_cast<size_t>(w);
        }
        if (static_cast<size_t>(n) < sizeof buf)
            break;
    }
    if (::fsync(out) != 0)
        fail(dst);
    ::close(in);
    if (::close(out) != 0 || ::rename(tmp.c_str(), dst.c_str()) != 0) {
        ::unlink(tmp.c_str());
        OpenFailed(dst);
    }
    SyncFolder(dir);
    return true;
}

TINIBacker::TINIBacker(std::vector<std::string> baseNames) : fBaseNames(std::move(baseNames)) {}

TINIBacker::~TINIBacker()
{
    if (!fDir.empty())
        ClearStampedFiles();
}

std::string TINIBacker::FilePath(const std::string& base) const
{
    return PathJoin(fDir, {}, base + ".ini");
}

std::string TINIBacker::BackupPath(const std::string& base) const
{
    return PathJoin(fDir, {kBackupFolder}, base + ".ini");
}

std::string TINIBacker::RingPath(const std::string& base, int slot) const
{
    return PathJoin(fDir, {kBackupFolder}, Format("%s%d.ini", base, slot));
}

std::string TINIBacker::RejectedPath(const std::string& base) const
{
    return PathJoin(fDir, {}, base + ".rejected.ini");
}

TRingSlots TINIBacker::Ring(const std::string& base) const
{
    TRingSlots ring;
    for (int i = 0; i < kRingSlots; ++i) {
        const std::string p = RingPath(base, i);
        ring.present[i] = FileExists(p);
        ring.time[i] = ring.present[i] ? ModTime(p) : 0;
    }
    return ring;
}

bool TINIBacker::Verify(const std::string& base) const
{
    std::string bytes;
    return ReadWholeFile(FilePath(base), bytes) && CheckStamp(bytes) == TStampState::Valid;
}

bool TINIBacker::Trusted(const std::string& base) const
{
    std::string bytes;
    return ReadWholeFile(FilePath(base), bytes) && StoredStamp(bytes) == kTrustMarker;
}

bool TINIBacker::AnyBackup(const std::string& base) const
{
    if (FileExists(BackupPath(base)))
        return true;
    const TRingSlots ring = Ring(base);
    return std::any_of(ring.present.begin(), ring.present.end(), [](bool p) { return p; });
}

void TINIBacker::Stamp(const std::string& base)
{
    TMemIniFile file(FilePath(base));
    file.SetStamped(true);
    file.UpdateFile();
}

void TINIBacker::Backup(const std::string& base)
{
    const std::string file = FilePath(base);
    if (!FileExists(file))
        throw EIniBackup(Format("Missing INI file: %s", base + ".ini"));
    std::string bytes;
    if (!ReadWholeFile(file, bytes))
        OpenFailed(file);
    switch (CheckStamp(bytes)) {
    case TStampState::Valid:
        break;
    case TStampState::Trusted:
        Stamp(base);
        if (!ReadWholeFile(file, bytes))
            OpenFailed(file);
        break;
    case TStampState::Invalid:
        // Every save of the program stamps the file; one that fails now was
        // changed behind its back, and stamping it would bless that.
        Log("INI file %s no longer matches its stamp: not backed up", base + ".ini");
        return;
    }
    const std::string backup = BackupPath(base);
    if (!FileExists(backup)) {
        FileCopy(file, backup);
        return;
    }
    std::string old;
    const std::string stamp = StoredStamp(bytes);
    if (ReadWholeFile(backup, old) && !stamp.empty() && StoredStamp(old) == stamp)
        return;
    const int slot = RingSlotToWrite(Ring(base));
    FileCopy(backup, RingPath(base, slot));
    RemoveFile(RingPath(base, (slot + 1) % kRingSlots));
    FileCopy(file, backup);
}

bool TINIBacker::Restore(const std::string& base)
{
    const std::string file = FilePath(base);
    // Each candidate is checked where it lies, before anything is copied over
    // the file: a bad copy must not destroy the file it was meant to save.
    auto tryCandidate = [&](const std::string& candidate) {
        std::string bytes;
        if (!ReadWholeFile(candidate, bytes))
            return false;
        if (CheckStamp(bytes) != TStampState::Valid) {
            Log("INI backup %s does not match its stamp: deleted", candidate);
            RemoveFile(candidate);
            return false;
        }
        if (FileExists(file)) {
            const std::string rejected = RejectedPath(base);
            if (::rename(file.c_str(), rejected.c_str()) == 0)
                Log("INI file %s kept as %s", base + ".ini", FileName(rejected));
        }
        FileCopy(candidate, file);
        Log("INI file %s restored from %s", base + ".ini", candidate);
        return true;
    };
    const std::string backup = BackupPath(base);
    if (FileExists(backup) && tryCandidate(backup))
        return true;
    for (int slot : RingRestoreOrder(Ring(base)))
        if (tryCandidate(RingPath(base, slot)))
            return true;
    return false;
}

void TINIBacker::RemoveStaleTemporaries(const std::string& base) const
{
    // A save or copy cut short leaves its temporary file "<name>.XXXXXX"
    // beside the file, the backup or a ring slot.
    auto ours = [&](const std::string& name) {
        if (name.size() <= 7 || name[name.size() - 7] != '.')
            return false;
        const std::string target = name.substr(0, name.size() - 7);
        if (target == base + ".ini")
            return true;
        return target.size() == base.size() + 5 && target.compare(0, base.size(), base) == 0 &&
               std::isdigit(static_cast<unsigned char>(target[base.size()])) &&
               target.compare(base.size() + 1, 4, ".ini") == 0;
    };
    for (const std::string& dir : {fDir, PathJoin(fDir, {}, kBackupFolder)}) {
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            if (ours(it->path().filename().string()))
                RemoveFile(it->path().string());
    }
}

void TINIBacker::Check(const std::string& base)
{
    const std::string name = base + ".ini";
    RemoveStaleTemporaries(base);
    if (!FileExists(FilePath(base))) {
        if (!AnyBackup(base)) {
            // Never installed (a fresh folder): nothing was lost.
            Log("INI file %s is missing and has no backup: its settings start from their defaults", name);
            return;
        }
        if (!Restore(base))
            throw EIniBackup(Format("fatal Error: INI file is Missing: %s", name));
        fPassed.insert(base);
        return;
    }
    if (Verify(base) || Trusted(base)) {
        Backup(base);
        fPassed.insert(base);
        return;
    }
    Log("INI file %s does not match its stamp", name);
    if (!AnyBackup(base))
        throw EIniBackup(Format("fatal Error: INI file is Missing and cannot be retrieved: %s", name));
    if (!Restore(base))
        throw EIniBackup(Format("fatal Error: INI file is Missing: %s", name));
    fPassed.insert(base);
}

void TINIBacker::CheckAll(const std::string& iniDirectory)
{
    fDir = ExcludeTrailingSlash(iniDirectory);
    fPassed.clear();
    std::vector<std::string> paths;
    for (const auto& base : fBaseNames)
        paths.push_back(FilePath(base));
    SetStampedFiles(paths);
    for (const auto& base : fBaseNames)
        Check(base);
}

void TINIBacker::BackupAll() noexcept
{
    for (const auto& base : fBaseNames) {
        if (!Passed(base))
            continue;
        try {
            Backup(base);
        } catch (const std::exception& e) {
            Log("Error raised in BackupAll: %s", e.what());
        } catch (...) {
            Log("Error raised in BackupAll: %s", base);
        }
    }
}

void TINIBacker::Restamp(std::unique_ptr<TMemIniFile>& cache)
{
    if (!cache)
        return;
    cache->SetStamped(true);
    cache->UpdateFile();
    auto fresh = std::make_unique<TMemIniFile>(cache->FileName());
    fresh->SetStamped(true);
    cache = std::move(fresh);
}

} // namespace orv
