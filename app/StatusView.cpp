#include "app/StatusView.h"

namespace app {

namespace {

QString conditionText(protocol::StatusReply::Condition condition)
{
    using C = protocol::StatusReply::Condition;
    switch (condition) {
    case C::NearEnd:
        return StatusView::tr("将尽！");
    case C::PaperJamAtExit:
        return StatusView::tr("出纸口卡纸！");
    case C::PaperNearEnd:
        return StatusView::tr("纸将尽！");
    case C::CoverOpen:
        return StatusView::tr("压纸滚筒/打印机上盖已打开！");
    case C::VoltageOutOfRange:
        return StatusView::tr("电源电压超出范围！");
    case C::CutterError:
        return StatusView::tr("切纸器错误！");
    case C::RamError:
        return StatusView::tr("RAM错误！");
    case C::EepromError:
        return StatusView::tr("EPPROM错误！");
    }
    return QString();
}

const QColor red(255, 0, 0);

} // namespace

StatusView StatusView::forReply(const protocol::StatusReply &reply)
{
    const QList<protocol::StatusReply::Condition> conditions = reply.conditions();
    if (conditions.isEmpty())
        return {tr("打印机正常！"), QColor(0, 0, 0), 14};
    StatusView view{QString(), red, 10};
    for (const protocol::StatusReply::Condition condition : conditions)
        view.caption += conditionText(condition) + u'\n';
    return view;
}

StatusView StatusView::timedOut()
{
    return {tr("打印机连接超时！ 或 打印机无此功能！\n\n"
               "请检查打印机是否连好,电源是否打开；\n"
               "打印机端口号和波特率选择是否有误。\n"
               "请确定无误后再次尝试！"),
            red,
            14};
}

} // namespace app
