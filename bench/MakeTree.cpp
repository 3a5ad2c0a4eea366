// Writes a reproducible folder tree for the duplicate-finder benchmarks: nested folders, groups of
// 2 to 5 identical files, files of equal size but other content, empty files, sizes from 0 bytes
// to a few MiB (most of them small, as on a real disk), optionally a share of them packed into ZIP
// archives of up to 50 members. The same arguments give the same tree.
//
//   pairhound_maketree <folder> [--files N] [--dup-share F] [--seed S] [--max-size BYTES] [--zip-share F]

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Options {
  std::string Root;
  long Files = 100000;
  double DupShare = 0.2; // share of files that belong to a duplicate group
  uint64_t Seed = 1;
  uint64_t MaxSize = 4u << 20;
  double ZipShare = 0; // share of files packed into ZIP archives instead of written as files
};

// Members per archive.
constexpr size_t ZipMembers = 50;

// splitmix64: small, fast and the same on every machine.
struct Random {
  uint64_t State;
  explicit Random(uint64_t Seed) : State(Seed) {}
  uint64_t Next() {
    uint64_t Z = (State += 0x9E3779B97F4A7C15ull);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
    return Z ^ (Z >> 31);
  }
  double Unit() { return (Next() >> 11) * (1.0 / 9007199254740992.0); }
  uint64_t Below(uint64_t N) { return N ? Next() % N : 0; }
};

// Sizes: 90 % up to 64 KiB, 9.5 % up to 1 MiB, the rest up to the maximum; log-uniform in each band.
uint64_t PickSize(Random &R, uint64_t MaxSize) {
  const double U = R.Unit();
  double Low = 1, High = 64 * 1024.0;
  if (U >= 0.995) {
    Low = 1 << 20;
    High = double(MaxSize);
  } else if (U >= 0.9) {
    Low = 64 * 1024.0;
    High = 1 << 20;
  }
  High = std::min(High, double(MaxSize));
  Low = std::min(Low, High);
  const double L = std::log(Low) + R.Unit() * (std::log(High) - std::log(Low));
  return std::max<uint64_t>(1, uint64_t(std::exp(L)));
}

struct FilePlan {
  uint64_t Size;
  uint64_t ContentSeed;
};

// Hands the file's content to Write in chunks of the buffer's size; false when Write fails.
template <typename WriteChunk>
bool MakeContent(const FilePlan &Plan, std::vector<unsigned char> &Buffer, WriteChunk Write) {
  Random R(Plan.ContentSeed);
  uint64_t Left = Plan.Size;
  while (Left > 0) {
    const size_t Chunk = size_t(std::min<uint64_t>(Left, Buffer.size()));
    for (size_t i = 0; i < Chunk; i += 8) {
      const uint64_t V = R.Next();
      std::memcpy(Buffer.data() + i, &V, std::min<size_t>(8, Chunk - i));
    }
    if (!Write(Buffer.data(), Chunk))
      return false;
    Left -= Chunk;
  }
  return true;
}

bool WriteFile(const fs::path &Path, const FilePlan &Plan, std::vector<unsigned char> &Buffer) {
  FILE *F = std::fopen(Path.c_str(), "wb");
  if (!F)
    return false;
  const bool Written = MakeContent(Plan, Buffer, [F](const unsigned char *Data, size_t Size) {
    return std::fwrite(Data, 1, Size, F) == Size;
  });
  return std::fclose(F) == 0 && Written;
}

// A ZIP archive (deflate) holding the planned files as "m<i>.dat", in folders "d0" to "d2".
bool WriteZip(const fs::path &Path, const std::vector<FilePlan> &Members,
              std::vector<unsigned char> &Buffer) {
  archive *A = archive_write_new();
  if (!A || archive_write_set_format_zip(A) != ARCHIVE_OK ||
      archive_write_open_filename(A, Path.c_str()) != ARCHIVE_OK) {
    archive_write_free(A);
    return false;
  }
  bool Good = true;
  for (size_t i = 0; i < Members.size() && Good; ++i) {
    archive_entry *E = archive_entry_new();
    const std::string Name = "d" + std::to_string(i % 3) + "/m" + std::to_string(i) + ".dat";
    archive_entry_set_pathname(E, Name.c_str());
    archive_entry_set_filetype(E, AE_IFREG);
    archive_entry_set_perm(E, 0644);
    archive_entry_set_size(E, la_int64_t(Members[i].Size));
    archive_entry_set_mtime(E, 1577836800, 0); // fixed, so that the same arguments give the same bytes
    Good = archive_write_header(A, E) == ARCHIVE_OK &&
           MakeContent(Members[i], Buffer, [A](const unsigned char *Data, size_t Size) {
             return archive_write_data(A, Data, Size) == la_ssize_t(Size);
           });
    archive_entry_free(E);
  }
  Good = archive_write_close(A) == ARCHIVE_OK && Good;
  archive_write_free(A);
  return Good;
}

bool ParseArgs(int argc, char **argv, Options &O) {
  for (int i = 1; i < argc; ++i) {
    const std::string A = argv[i];
    auto Value = [&](const char *Name) -> const char * {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s needs a value\n", Name);
        std::exit(2);
      }
      return argv[++i];
    };
    if (A == "--files")
      O.Files = std::atol(Value("--files"));
    else if (A == "--dup-share")
      O.DupShare = std::atof(Value("--dup-share"));
    else if (A == "--seed")
      O.Seed = std::strtoull(Value("--seed"), nullptr, 10);
    else if (A == "--max-size")
      O.MaxSize = std::strtoull(Value("--max-size"), nullptr, 10);
    else if (A == "--zip-share")
      O.ZipShare = std::atof(Value("--zip-share"));
    else if (!A.empty() && A[0] != '-' && O.Root.empty())
      O.Root = A;
    else
      return false;
  }
  return !O.Root.empty() && O.Files > 0 && O.DupShare >= 0 && O.DupShare <= 1 && O.MaxSize > 0 &&
         O.ZipShare >= 0 && O.ZipShare <= 1;
}

} // namespace

int main(int argc, char **argv) {
  Options O;
  if (!ParseArgs(argc, argv, O)) {
    std::fprintf(
        stderr,
        "usage: %s <folder> [--files N] [--dup-share F] [--seed S] [--max-size BYTES] [--zip-share F]\n",
        argv[0]);
    return 2;
  }
  std::error_code Ec;
  if (fs::exists(O.Root, Ec) && !fs::is_empty(O.Root, Ec)) {
    std::fprintf(stderr, "%s exists and is not empty; give a new folder\n", O.Root.c_str());
    return 1;
  }
  Random R(O.Seed);

  // Contents first, then places: a content seed per file, shared within a duplicate group.
  std::vector<FilePlan> Plans;
  Plans.reserve(size_t(O.Files));
  const long DupFiles = long(double(O.Files) * O.DupShare);
  uint64_t NextSeed = O.Seed * 1000003ull + 17;
  while (long(Plans.size()) < DupFiles) {
    const long Members = std::min<long>(2 + long(R.Below(4)), DupFiles - long(Plans.size()));
    if (Members < 2)
      break;
    const FilePlan Group{PickSize(R, O.MaxSize), NextSeed++};
    for (long k = 0; k < Members; ++k)
      Plans.push_back(Group);
  }
  const size_t FirstSingle = Plans.size();
  while (long(Plans.size()) < O.Files) {
    const double U = R.Unit();
    if (U < 0.02) {
      Plans.push_back({0, NextSeed++}); // empty file
    } else if (U < 0.10 && Plans.size() > FirstSingle) {
      // Same size as an earlier single file, other content: the checksum has to tell them apart.
      const FilePlan &Other = Plans[FirstSingle + R.Below(Plans.size() - FirstSingle)];
      Plans.push_back({Other.Size, NextSeed++});
    } else {
      Plans.push_back({PickSize(R, O.MaxSize), NextSeed++});
    }
  }
  // Scatter duplicates over the tree.
  for (size_t i = Plans.size(); i > 1; --i)
    std::swap(Plans[i - 1], Plans[R.Below(i)]);

  // About 100 files a folder, three levels deep.
  const long FolderCount = std::max<long>(1, O.Files / 100);
  const long Fan = std::max<long>(2, long(std::ceil(std::cbrt(double(FolderCount)))));
  std::vector<fs::path> Folders;
  for (long f = 0; f < FolderCount; ++f) {
    const long A = f / (Fan * Fan), B = (f / Fan) % Fan, C = f % Fan;
    Folders.push_back(fs::path(O.Root) / ("a" + std::to_string(A)) / ("b" + std::to_string(B)) /
                      ("c" + std::to_string(C)));
  }
  for (const fs::path &Folder : Folders) {
    fs::create_directories(Folder, Ec);
    if (Ec) {
      std::fprintf(stderr, "cannot create %s: %s\n", Folder.c_str(), Ec.message().c_str());
      return 1;
    }
  }

  std::vector<unsigned char> Buffer(1 << 20);
  uint64_t Bytes = 0;
  std::vector<FilePlan> Packed;
  size_t Archives = 0;
  // Without --zip-share no number is drawn for it, so older trees stay as they were.
  const auto FlushZip = [&] {
    char Name[32];
    std::snprintf(Name, sizeof Name, "z%05zu.zip", Archives++);
    const fs::path Path = Folders[R.Below(Folders.size())] / Name;
    const bool Written = WriteZip(Path, Packed, Buffer);
    if (!Written)
      std::fprintf(stderr, "cannot write %s\n", Path.c_str());
    Packed.clear();
    return Written;
  };
  for (size_t i = 0; i < Plans.size(); ++i) {
    Bytes += Plans[i].Size;
    if (O.ZipShare > 0 && R.Unit() < O.ZipShare) {
      Packed.push_back(Plans[i]);
      if (Packed.size() == ZipMembers && !FlushZip())
        return 1;
      continue;
    }
    char Name[32];
    std::snprintf(Name, sizeof Name, "f%07zu.dat", i);
    const fs::path Path = Folders[R.Below(Folders.size())] / Name;
    if (!WriteFile(Path, Plans[i], Buffer)) {
      std::fprintf(stderr, "cannot write %s: %s\n", Path.c_str(), std::strerror(errno));
      return 1;
    }
  }
  if (!Packed.empty() && !FlushZip())
    return 1;
  std::printf("%zu files in %ld folders, %.1f MiB, %ld in duplicate groups, %zu ZIP archives\n", Plans.size(),
              FolderCount, double(Bytes) / (1 << 20), long(FirstSingle), Archives);
  return 0;
}
