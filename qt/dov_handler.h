// Reads every frame of a document (the decoder is filled once, on the first
// question that needs it) and writes one-frame documents.
#pragma once

#include <QImageIOHandler>
#include <QSize>
#include <QString>

#include "qt/dov_handles.h"

class DovHandler : public QImageIOHandler {
 public:
  bool canRead() const override;
  bool read(QImage* image) override;
  bool write(const QImage& image) override;

  QVariant option(ImageOption option) const override;
  void setOption(ImageOption option, const QVariant& value) override;
  bool supportsOption(ImageOption option) const override;

  int imageCount() const override;
  int loopCount() const override;
  int nextImageDelay() const override;
  int currentImageNumber() const override;
  bool jumpToImage(int imageNumber) override;
  bool jumpToNextImage() override;

  // The magic of the current or the legacy form, or a file named .dov
  // (legacy files without a magic cannot be told otherwise).
  static bool canRead(QIODevice* device);

 private:
  // Reads the device into the decoder once; false when it holds no frame.
  bool load() const;
  bool loadDevice() const;
  QSize probeSize() const;
  bool readFrame(QImage* image);
  QVariant optionValue(ImageOption option) const;
  int frameCount() const;

  mutable dovqt::Decoder decoder_;
  mutable bool loaded_ = false;
  mutable bool usable_ = false;
  mutable dov_info info_{};
  mutable QString error_;
  int next_ = 0;
  int last_ = -1;
  int quality_ = -1;
  int compression_ = -1;
};
