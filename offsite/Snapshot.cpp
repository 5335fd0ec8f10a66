// SPDX-License-Identifier: GPL-3.0-or-later
#include "Snapshot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

std::vector<Snapshot> Snapshot::ListFrom(const QByteArray& json)
{
    std::vector<Snapshot> snapshots;
    const QJsonArray list = QJsonDocument::fromJson(json).array();
    for (const auto& value : list) {
        const QJsonObject object = value.toObject();
        Snapshot snapshot{object.value(QStringLiteral("id")).toString(),
                          object.value(QStringLiteral("short_id")).toString(),
                          QDateTime::fromString(object.value(QStringLiteral("time")).toString(),
                                                Qt::ISODateWithMs),
                          object.value(QStringLiteral("hostname")).toString(),
                          {}};
        for (const auto& tag : object.value(QStringLiteral("tags")).toArray())
            snapshot.tags << tag.toString();
        if (!snapshot.id.isEmpty())
            snapshots.push_back(std::move(snapshot));
    }
    std::stable_sort(snapshots.begin(), snapshots.end(),
                     [](const Snapshot& a, const Snapshot& b) { return a.time > b.time; });
    return snapshots;
}

qint64 Snapshot::SizeFrom(const QByteArray& json)
{
    const QJsonValue size =
        QJsonDocument::fromJson(json).object().value(QStringLiteral("total_size"));
    return size.isDouble() ? static_cast<qint64>(size.toDouble()) : -1;
}
