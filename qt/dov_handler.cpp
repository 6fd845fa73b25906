#include "qt/dov_handler.h"

#include <QFileDevice>
#include <QImage>
#include <QSize>
#include <QVariant>
#include <algorithm>
#include <climits>

#include "qt/dov_qimage.h"

namespace {

// Qt calls the handler from C++ that expects no exceptions: whatever is
// raised inside ends here as a failure.
template <typename Result, typename Work>
Result Guarded(Result failure, Work&& work) noexcept {
  try {
    return work();
  } catch (...) {
    return failure;
  }
}

// libdov asks for bytes through this; the device stays Qt's.
size_t ReadDevice(void* user, uint8_t* buffer, size_t size) {
  auto* device = static_cast<QIODevice*>(user);
  const qint64 want = static_cast<qint64>(std::min<size_t>(size, INT_MAX));
  const qint64 got = device->read(reinterpret_cast<char*>(buffer), want);
  return got < 0 ? static_cast<size_t>(-1) : static_cast<size_t>(got);
}

}  // namespace

bool DovHandler::canRead(QIODevice* device) {
  if (device == nullptr) return false;
  const QByteArray head = device->peek(16);
  if (dov_has_document_magic(head.constData(), static_cast<size_t>(head.size())) != 0) return true;
  const auto* file = qobject_cast<const QFileDevice*>(device);
  return file != nullptr && file->fileName().endsWith(QLatin1String(".dov"), Qt::CaseInsensitive);
}

bool DovHandler::canRead() const {
  if (loaded_) return usable_ && next_ < frameCount();
  if (!canRead(device())) return false;
  setFormat("dov");
  return true;
}

bool DovHandler::load() const {
  if (loaded_) return usable_;
  loaded_ = true;
  return Guarded(false, [&] { return loadDevice(); });
}

bool DovHandler::loadDevice() const {
  if (device() == nullptr) return false;
  decoder_.reset(dov_decoder_create());
  if (!decoder_) return false;
  if (dov_decoder_read_callback(decoder_.get(), ReadDevice, device()) != DOV_OK ||
      dov_decoder_get_info(decoder_.get(), &info_) != DOV_OK) {
    error_ = QString::fromUtf8(dov_decoder_error_message(decoder_.get()));
    return false;
  }
  if (info_.damaged != 0) error_ = QString::fromUtf8(info_.messages);
  usable_ = info_.frame_count > 0;
  return usable_;
}

// The size from the header alone, before the document is read: viewers ask
// for it first, and a current file tells it without any plane decoded.
// An invalid size means the document must be read to tell.
QSize DovHandler::probeSize() const {
  QIODevice* dev = device();
  if (dev == nullptr) return {};
  const QByteArray head = dev->peek(12);
  if (head.size() < 12 || !head.startsWith("DorvX")) return {};
  const auto* b = reinterpret_cast<const uint8_t*>(head.constData());
  const uint32_t length = uint32_t{b[8]} | uint32_t{b[9]} << 8 | uint32_t{b[10]} << 16 | uint32_t{b[11]} << 24;
  // Headers are small; a larger one is left to the full read and its limits.
  constexpr uint32_t kLargestPeek = 16u << 20;
  if (length == 0 || length > kLargestPeek) return {};
  const QByteArray bytes = dev->peek(12 + static_cast<qint64>(length));
  dovqt::Decoder probe(dov_decoder_create());
  dov_probe_info info{};
  if (!probe || dov_decoder_probe_memory(probe.get(), bytes.constData(), static_cast<size_t>(bytes.size()), &info) != DOV_OK ||
      info.decoded != 0)
    return {};
  return QSize(static_cast<int>(std::min<uint32_t>(info.width, INT_MAX)),
               static_cast<int>(std::min<uint32_t>(info.height, INT_MAX)));
}

int DovHandler::frameCount() const {
  return usable_ ? static_cast<int>(std::min<uint32_t>(info_.frame_count, INT_MAX)) : 0;
}

bool DovHandler::read(QImage* image) {
  return Guarded(false, [&] { return readFrame(image); });
}

bool DovHandler::readFrame(QImage* image) {
  if (image == nullptr || !load() || next_ >= frameCount()) return false;
  QImage frame = dovqt::ReadFrame(decoder_.get(), static_cast<uint32_t>(next_));
  if (frame.isNull()) return false;
  // A damaged document keeps the frames read in full; the reader's
  // messages travel with each of them.
  if (!error_.isEmpty()) frame.setText(QStringLiteral("Damaged"), error_);
  *image = frame;
  last_ = next_++;
  return true;
}

bool DovHandler::write(const QImage& image) {
  return Guarded(false, [&] {
    return device() != nullptr &&
           dovqt::WriteImage(image, dovqt::ChooseCompression(quality_, compression_), device());
  });
}

QVariant DovHandler::option(ImageOption option) const {
  return Guarded(QVariant(), [&] { return optionValue(option); });
}

QVariant DovHandler::optionValue(ImageOption option) const {
  if (option != Size && option != ImageFormat && option != Animation && option != Description) return {};
  if (option == Size && !loaded_) {
    const QSize size = probeSize();
    if (size.isValid()) return size;
  }
  if (!load()) {
    // QImageReader's errorString is its own fixed text; the reason is read
    // as text("Error").
    if (option != Description || error_.isEmpty()) return {};
    return QStringLiteral("Error: ") + QString(error_).replace(QLatin1Char('\n'), QLatin1Char(' '));
  }
  switch (option) {
    case Size:
      return QSize(static_cast<int>(std::min<uint32_t>(info_.width, INT_MAX)),
                   static_cast<int>(std::min<uint32_t>(info_.height, INT_MAX)));
    case ImageFormat: {
      dov_frame_info frame{};
      if (dov_decoder_get_frame_info(decoder_.get(), 0, &frame) != DOV_OK) return {};
      return frame.indexed != 0 ? QImage::Format_Indexed8 : QImage::Format_ARGB32;
    }
    case Animation:
      return frameCount() > 1;
    case Description:
      // QImageReader::text("Damaged") reads it from here.
      if (error_.isEmpty()) return {};
      return QStringLiteral("Damaged: ") + QString(error_).replace(QLatin1Char('\n'), QLatin1Char(' '));
    default:
      return {};
  }
}

void DovHandler::setOption(ImageOption option, const QVariant& value) {
  if (option == Quality) quality_ = value.toInt();
  if (option == CompressionRatio) compression_ = value.toInt();
}

bool DovHandler::supportsOption(ImageOption option) const {
  return option == Size || option == ImageFormat || option == Animation || option == Description ||
         option == Quality || option == CompressionRatio;
}

int DovHandler::imageCount() const { return load() ? frameCount() : 0; }

// Documents are animations that play for ever.
int DovHandler::loopCount() const { return imageCount() > 1 ? -1 : 0; }

int DovHandler::nextImageDelay() const {
  if (last_ < 0 || !load()) return 0;
  dov_frame_info frame{};
  if (dov_decoder_get_frame_info(decoder_.get(), static_cast<uint32_t>(last_), &frame) != DOV_OK) return 0;
  return std::max(frame.delay_ms, 0);
}

int DovHandler::currentImageNumber() const { return last_; }

bool DovHandler::jumpToImage(int imageNumber) {
  if (!load() || imageNumber < 0 || imageNumber >= frameCount()) return false;
  next_ = imageNumber;
  return true;
}

bool DovHandler::jumpToNextImage() { return jumpToImage(next_ + 1); }
