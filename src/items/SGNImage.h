#pragma once
// Picture item: a zone-sized picture reduced to the panel's colour planes.
#include "items/SGNSendMsg.h"

#include <QByteArray>
#include <QImage>
#include <array>

struct TZoneRect;

class TSGNImage : public TSGNSendMsg
{
public:
    // Largest picture side the project file reader accepts.
    static constexpr int MaxStoredSide = 16384;
    // Largest zone side a picture is made for: a panel is at most 2040 x 2040
    // pixels. A larger zone (only a damaged project holds one) gets no data.
    static constexpr int MaxZoneSide = 2048;

    TSGNImage();

    QString GetName() const override { return QStringLiteral("Image"); }
    // The picture is stored as a 24-bit BMP file image; an empty picture is
    // stored as width 0, height 0 and no BMP bytes.
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;

    // Block b of the packed planes (1024-byte slices).
    void FillBlock() override;
    // Blocks after the first are continuation blocks (command 2) of page 0.
    void BuildPacket() override;
    int GetBlockCount() const override;
    // The picture is one page: all its planes.
    int PageBytes() const override { return ImageSize; }

    // Picture operations. params is the panel's hardware parameter block
    // (byte 2 is the colour mode: 1..3 planes); only the zone's size is used.
    //
    // Reads a .jpg or .bmp file, stretches it over the zone, reduces it to the
    // panel's colours and packs it. On failure the picture stays as it was,
    // the item has no data (0 blocks), false is returned and *error says why.
    bool LoadPicture(const QString& fileName, const std::array<uint8_t, 16>& params,
                     const TZoneRect& zone, QString* error = nullptr);
    // Stretches the current picture over the zone, reduces and packs it;
    // nothing happens when the picture already has the zone's size.
    void FitPicture(const std::array<uint8_t, 16>& params, const TZoneRect& zone);
    // A black zone-sized picture, packed (all planes zero).
    void BlankPicture(const std::array<uint8_t, 16>& params, const TZoneRect& zone);
    // Packs the picture into ImageData: red plane, then green (modes 2, 3),
    // then blue (mode 3); rows top to bottom, leftmost pixel in the most
    // significant bit.
    void EncodePlanes(const std::array<uint8_t, 16>& params, const TZoneRect& zone);

    // Replaces the picture (converted to 24 bits per pixel).
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    // The BMP file image written to the project file for the picture.
    QByteArray PictureBmp() const;

    int32_t ImageSize = 0;
    QByteArray ImageData; // packed planes; empty when absent

private:
    // Channels of the panel's colours thresholded at 128; the rest off.
    void ReduceColors(uint8_t colorMode);

    QImage picture_;
    // BMP bytes the picture was loaded from, written back unchanged so that
    // a project round-trips byte for byte; cleared when the picture changes.
    QByteArray loadedBmp_;
};
