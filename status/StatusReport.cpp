#include "status/StatusReport.h"

namespace status {

namespace {

// A condition the printer reports: reply byte (1 to 6), bit, and the line shown for it.
struct Condition
{
    int byte;
    int bit;
    QString text;
};

const std::array<Condition, 8> &conditionTable()
{
    static const std::array<Condition, 8> table = {{
            {3, 0, QStringLiteral("将尽！")},
            {3, 1, QStringLiteral("出纸口卡纸！")},
            {3, 2, QStringLiteral("纸将尽！")},
            {4, 1, QStringLiteral("压纸滚筒/打印机上盖已打开！")},
            {5, 3, QStringLiteral("电源电压超出范围！")},
            {6, 0, QStringLiteral("切纸器错误！")},
            {6, 2, QStringLiteral("RAM错误！")},
            {6, 3, QStringLiteral("EPPROM错误！")},
    }};
    return table;
}

} // namespace

const QString StatusReport::printerOk = QStringLiteral("打印机正常！");

StatusReport StatusReport::decode(const QByteArray &reply)
{
    StatusReport report;
    for (int n = 0; n < replyLength; ++n) {
        const auto value = n < reply.size() ? quint8(reply.at(n)) : quint8(0);
        for (int k = 7; k >= 0; --k)
            report.m_bits[n][k] = (value >> k) & 1;
    }
    return report;
}

QStringList StatusReport::conditions() const
{
    QStringList lines;
    for (const Condition &condition : conditionTable()) {
        if (m_bits[condition.byte - 1][condition.bit])
            lines.append(condition.text);
    }
    return lines;
}

StatusView StatusReport::view() const
{
    const QStringList lines = conditions();
    if (lines.isEmpty())
        return {printerOk, false, 14};
    StatusView view{QString(), true, 10};
    for (const QString &line : lines)
        view.caption += line + u'\n';
    return view;
}

StatusView StatusReport::timeoutView()
{
    return {QStringLiteral("打印机连接超时！ 或 打印机无此功能！\n\n"
                           "请检查打印机是否连好,电源是否打开；\n"
                           "打印机端口号和波特率选择是否有误。\n"
                           "请确定无误后再次尝试！"),
            true,
            14};
}

} // namespace status
