#include "engine/ArchiveSource.h"

#include "platform/FileInfo.h"

#include <archive.h>

#include <cerrno>
#include <memory>
#include <unistd.h>

namespace {

constexpr size_t BlockSize = 65536;

struct TSource {
  int m_fd = -1;
  std::unique_ptr<char[]> m_block{new char[BlockSize]};
  ~TSource() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
};

la_ssize_t ReadBlock(archive *A, void *Data, const void **Buffer) {
  auto *source = static_cast<TSource *>(Data);
  *Buffer = source->m_block.get();
  for (;;) {
    const ssize_t n = ::read(source->m_fd, source->m_block.get(), BlockSize);
    if (n >= 0)
      return n;
    if (errno != EINTR) {
      archive_set_error(A, errno, "Cannot read the archive");
      return -1;
    }
  }
}

la_int64_t Seek(archive *, void *Data, la_int64_t Offset, int Whence) {
  const off_t at = ::lseek(static_cast<TSource *>(Data)->m_fd, off_t(Offset), Whence);
  return at < 0 ? ARCHIVE_FATAL : la_int64_t(at);
}

la_int64_t Skip(archive *, void *Data, la_int64_t Request) {
  auto *source = static_cast<TSource *>(Data);
  const off_t from = ::lseek(source->m_fd, 0, SEEK_CUR);
  if (from < 0 || ::lseek(source->m_fd, off_t(Request), SEEK_CUR) < 0)
    return 0; // the reader reads past instead
  return Request;
}

int Close(archive *, void *Data) {
  delete static_cast<TSource *>(Data);
  return ARCHIVE_OK;
}

} // namespace

int OpenArchiveFile(archive *A, const QString &FileName, const TFileId *Expected) {
  platform::TInputFile file(FileName, Expected);
  if (!file.IsOpen()) {
    archive_set_error(A, file.Refused() ? EINVAL : file.Error(), "Cannot open the archive");
    return ARCHIVE_FATAL;
  }
  auto *source = new TSource;
  source->m_fd = file.Release();
  archive_read_set_callback_data(A, source);
  archive_read_set_read_callback(A, &ReadBlock);
  archive_read_set_seek_callback(A, &Seek);
  archive_read_set_skip_callback(A, &Skip);
  // From here the reader owns the source: it closes it when opening fails or when it is freed.
  archive_read_set_close_callback(A, &Close);
  return archive_read_open1(A);
}
