<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>emulator::StatusCondition</name>
    <message>
        <source>near end</source>
        <translation>将尽</translation>
    </message>
    <message>
        <source>paper jam at exit</source>
        <translation>出纸口卡纸</translation>
    </message>
    <message>
        <source>paper near end</source>
        <translation>纸将尽</translation>
    </message>
    <message>
        <source>cover open</source>
        <translation>上盖打开</translation>
    </message>
    <message>
        <source>voltage out of range</source>
        <translation>电压超出范围</translation>
    </message>
    <message>
        <source>cutter error</source>
        <translation>切纸器错误</translation>
    </message>
    <message>
        <source>RAM error</source>
        <translation>RAM错误</translation>
    </message>
    <message>
        <source>EEPROM error</source>
        <translation>EEPROM错误</translation>
    </message>
    <message>
        <source>paper end (one-byte replies only)</source>
        <translation>缺纸（仅单字节应答）</translation>
    </message>
    <message>
        <source>drawer pin 3 high</source>
        <translation>钱箱引脚3高电平</translation>
    </message>
</context>
<context>
    <name>vprinter::PrinterWindow</name>
    <message>
        <source>Virtual thermal printer</source>
        <translation>虚拟热敏打印机</translation>
    </message>
    <message>
        <source>Serial port: &lt;b&gt;%1&lt;/b&gt;%2</source>
        <translation>串口：&lt;b&gt;%1&lt;/b&gt;%2</translation>
    </message>
    <message>
        <source> &amp;nbsp; IPP: &lt;b&gt;%1&lt;/b&gt;</source>
        <translation> &amp;nbsp; IPP：&lt;b&gt;%1&lt;/b&gt;</translation>
    </message>
    <message>
        <source> &amp;nbsp; Network: &lt;b&gt;tcp %1&lt;/b&gt;</source>
        <translation> &amp;nbsp; 网络：&lt;b&gt;tcp %1&lt;/b&gt;</translation>
    </message>
    <message>
        <source> (port %1 was in use)</source>
        <translation>（端口 %1 已被占用）</translation>
    </message>
    <message>
        <source>Status the printer reports</source>
        <translation>打印机上报的状态</translation>
    </message>
    <message>
        <source>no reply</source>
        <translation>不应答</translation>
    </message>
    <message>
        <source>Memory switches</source>
        <translation>存储开关</translation>
    </message>
    <message>
        <source>Chinese mode at power-up (from the next ESC @ or Clear)</source>
        <translation>开机为汉字模式（自下一个 ESC @ 或清除起）</translation>
    </message>
    <message>
        <source>Automatic (each job&apos;s own)</source>
        <translation>自动（按每个作业的指令集）</translation>
    </message>
    <message>
        <source>Command set:</source>
        <translation>指令集：</translation>
    </message>
    <message>
        <source>Paper: %1 mm, %2 dots</source>
        <translation>纸宽：%1 毫米，%2 点</translation>
    </message>
    <message>
        <source>Save receipt…</source>
        <translation>保存小票…</translation>
    </message>
    <message>
        <source>Save all…</source>
        <translation>全部保存…</translation>
    </message>
    <message>
        <source>Copy receipt</source>
        <translation>复制小票</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>reply %1 to %2</source>
        <translation>向 %2 应答 %1</translation>
    </message>
    <message>
        <source>(no reply: &quot;no reply&quot; is checked; would be %1)</source>
        <translation>（未应答：已勾选“不应答”；应答本为 %1）</translation>
    </message>
    <message>
        <source>No network client printing.</source>
        <translation>没有网络客户端在打印。</translation>
    </message>
    <message>
        <source>Not on the network (--listen off); nothing printing.</source>
        <translation>未在网络上监听（--listen off）；没有在打印。</translation>
    </message>
    <message>
        <source>Printing for %1.</source>
        <translation>正在为 %1 打印。</translation>
    </message>
    <message>
        <source> %1 waiting for their turn.</source>
        <translation>另有 %1 个在排队等候。</translation>
    </message>
    <message>
        <source>Save receipt</source>
        <translation>保存小票</translation>
    </message>
    <message>
        <source>Save all receipts</source>
        <translation>保存全部小票</translation>
    </message>
    <message>
        <source>PNG picture (*.png)</source>
        <translation>PNG 图片 (*.png)</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF 文档 (*.pdf)</translation>
    </message>
    <message>
        <source>saved %1</source>
        <translation>已保存 %1</translation>
    </message>
    <message>
        <source> &amp;nbsp; Web page: &lt;a href=&quot;http://%1/&quot;&gt;http://%1/&lt;/a&gt;</source>
        <translation> &amp;nbsp; 网页：&lt;a href=&quot;http://%1/&quot;&gt;http://%1/&lt;/a&gt;</translation>
    </message>
</context>
</TS>
