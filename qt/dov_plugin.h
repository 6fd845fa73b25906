// The plug-in Qt finds in its imageformats folder: the key "dov".
#pragma once

#include <QImageIOPlugin>

class DovPlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "dov.json")

 public:
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
  QImageIOHandler* create(QIODevice* device, const QByteArray& format = QByteArray()) const override;
};
