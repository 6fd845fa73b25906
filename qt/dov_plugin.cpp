#include "qt/dov_plugin.h"

#include <new>

#include "qt/dov_handler.h"

QImageIOPlugin::Capabilities DovPlugin::capabilities(QIODevice* device, const QByteArray& format) const {
  if (format == "dov") return Capabilities(CanRead | CanWrite);
  if (!format.isEmpty() || device == nullptr || !device->isOpen()) return {};
  Capabilities caps;
  if (device->isReadable() && DovHandler::canRead(device)) caps |= CanRead;
  if (device->isWritable()) caps |= CanWrite;
  return caps;
}

QImageIOHandler* DovPlugin::create(QIODevice* device, const QByteArray& format) const {
  // Qt owns the handler; a failed allocation must not throw into Qt.
  auto* handler = new (std::nothrow) DovHandler;
  if (handler == nullptr) return nullptr;
  handler->setDevice(device);
  handler->setFormat(format.isEmpty() ? QByteArray("dov") : format);
  return handler;
}
