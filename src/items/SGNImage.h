#pragma once
// Picture item: a zone-sized picture reduced to the panel's colour planes.
#include "items/SGNSendMsg.h"

#include <QByteArray>
#include <QImage>

class TSGNImage : public TSGNSendMsg
{
public:
    // Largest picture side the project file reader accepts.
    static constexpr int MaxStoredSide = 16384;

    TSGNImage();

    QString GetName() const override { return QStringLiteral("Image"); }
    // The picture is stored as a 24-bit BMP file image; an empty picture is
    // stored as width 0, height 0 and no BMP bytes.
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;

    // Replaces the picture (converted to 24 bits per pixel).
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    // The BMP file image written to the project file for the picture.
    QByteArray PictureBmp() const;

    int32_t ImageSize = 0;
    QByteArray ImageData; // packed planes; empty when absent

private:
    QImage picture_;
    // BMP bytes the picture was loaded from, written back unchanged so that
    // a project round-trips byte for byte; cleared when the picture changes.
    QByteArray loadedBmp_;
};
