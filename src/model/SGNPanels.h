#pragma once
// The project: the ordered list of panels and the one serial port number
// all of them are reached through.
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class BinaryReader;
class BinaryWriter;
class TSGNPanel;

// Why a project could not be read: the byte offset and what was expected.
struct TProjectLoadError
{
    qint64 Offset = 0;
    QString Expected;
    QString Describe() const;
};

class TSGNPanels
{
public:
    // Largest panel count the file reader accepts (Ids are 1..65534).
    static constexpr int MaxStoredPanels = 65534;

    TSGNPanels();
    ~TSGNPanels();
    TSGNPanels(const TSGNPanels&) = delete;
    TSGNPanels& operator=(const TSGNPanels&) = delete;

    int Count() const { return static_cast<int>(panels_.size()); }
    // Panel i, or nullptr when i is out of range.
    TSGNPanel* Items(int i) const;
    int IndexOf(const TSGNPanel* panel) const;

    // Appends a new panel with the smallest free Id.
    TSGNPanel* AddPanel();
    // Smallest Id in 1..65534 no panel has; 65535 when all are taken.
    int NextFreeId() const;
    bool DeletePanel(int i);
    void Clear();

    // The project file image. Fails with the reason when a value cannot be
    // stored (a text of 65536 or more characters, for example); nothing is
    // written then.
    std::optional<QString> SaveToFile(QByteArray* bytes) const;
    // Rebuilds the project from a file image. On failure the project,
    // PortNumber included, is left exactly as it was.
    std::optional<TProjectLoadError> LoadFromFile(const QByteArray& bytes);

    int PortNumber = 1;

private:
    void ReadPanels(BinaryReader& in);

    std::vector<std::unique_ptr<TSGNPanel>> panels_;
};
