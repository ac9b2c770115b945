<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>app::Form1</name>
    <message>
        <source>使用说明：

首先设置串口参数然后点击《打开串口》

本程序可演示一些打印基本功能及状态返回与特定参数查询。
本程序只有在正确打开串口后才能使用测试功能。</source>
        <translation>Instructions:

First set the serial port parameters, then click &quot;open com&quot;.

This program demonstrates basic printing functions, the status reply and queries of particular settings.
The test functions can be used only after the serial port has been opened.</translation>
    </message>
    <message>
        <source>

版权所有：Thermal Printer Demo 项目

技术支持：Thermal Printer Demo 维护者

电话：（000）0000-0000

传真：（000）0000-0000

地址：见项目说明文件 README</source>
        <translation>

Copyright: Thermal Printer Demo project

Technical support: Thermal Printer Demo maintainers

Telephone: (000) 0000-0000

Fax: (000) 0000-0000

Address: see the project&apos;s README file</translation>
    </message>
    <message>
        <source>file</source>
        <translation>file</translation>
    </message>
    <message>
        <source>quit&amp;Q</source>
        <translation>quit&amp;Q</translation>
    </message>
    <message>
        <source>select</source>
        <translation>select</translation>
    </message>
    <message>
        <source>black</source>
        <translation>black</translation>
    </message>
    <message>
        <source>no black</source>
        <translation>no black</translation>
    </message>
    <message>
        <source>about</source>
        <translation>about</translation>
    </message>
    <message>
        <source>help</source>
        <translation>help</translation>
    </message>
    <message>
        <source>about&amp;A</source>
        <translation>about&amp;A</translation>
    </message>
    <message>
        <source>close com</source>
        <translation>close com</translation>
    </message>
    <message>
        <source>open com</source>
        <translation>open com</translation>
    </message>
</context>
<context>
    <name>app::FormControls</name>
    <message>
        <source>串口设置：</source>
        <translation>Serial port:</translation>
    </message>
    <message>
        <source>Port：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Baud：</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>Bits：</source>
        <translation>Bits:</translation>
    </message>
    <message>
        <source>StopBits：</source>
        <translation>StopBits:</translation>
    </message>
    <message>
        <source>open com</source>
        <translation>open com</translation>
    </message>
    <message>
        <source>设置对齐：</source>
        <translation>Alignment:</translation>
    </message>
    <message>
        <source>left</source>
        <translation>left</translation>
    </message>
    <message>
        <source>centre</source>
        <translation>centre</translation>
    </message>
    <message>
        <source>right</source>
        <translation>right</translation>
    </message>
    <message>
        <source>设置速度：</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>low</source>
        <translation>low</translation>
    </message>
    <message>
        <source>middle</source>
        <translation>middle</translation>
    </message>
    <message>
        <source>high</source>
        <translation>high</translation>
    </message>
    <message>
        <source>设置浓度：</source>
        <translation>Density:</translation>
    </message>
    <message>
        <source>thin</source>
        <translation>thin</translation>
    </message>
    <message>
        <source>thick</source>
        <translation>thick</translation>
    </message>
    <message>
        <source>打印项目：</source>
        <translation>Print items:</translation>
    </message>
    <message>
        <source>Feed Paper</source>
        <translation>Feed Paper</translation>
    </message>
    <message>
        <source>Initialization</source>
        <translation>Initialization</translation>
    </message>
    <message>
        <source>Print test</source>
        <translation>Print test</translation>
    </message>
    <message>
        <source>Chinese fonts</source>
        <translation>Chinese fonts</translation>
    </message>
    <message>
        <source>up-down</source>
        <translation>up-down</translation>
    </message>
    <message>
        <source>Print barcode</source>
        <translation>Print barcode</translation>
    </message>
    <message>
        <source>test page</source>
        <translation>test page</translation>
    </message>
    <message>
        <source>Sample page</source>
        <translation>Sample page</translation>
    </message>
    <message>
        <source>Checking printer（Real-time status transmission）</source>
        <translation>Checking printer (Real-time status transmission)</translation>
    </message>
</context>
<context>
    <name>app::StatusView</name>
    <message>
        <source>将尽！</source>
        <translation>Near end!</translation>
    </message>
    <message>
        <source>出纸口卡纸！</source>
        <translation>Paper jam at the exit!</translation>
    </message>
    <message>
        <source>纸将尽！</source>
        <translation>Paper near end!</translation>
    </message>
    <message>
        <source>压纸滚筒/打印机上盖已打开！</source>
        <translation>Platen or printer cover open!</translation>
    </message>
    <message>
        <source>电源电压超出范围！</source>
        <translation>Supply voltage out of range!</translation>
    </message>
    <message>
        <source>切纸器错误！</source>
        <translation>Cutter error!</translation>
    </message>
    <message>
        <source>RAM错误！</source>
        <translation>RAM error!</translation>
    </message>
    <message>
        <source>EPPROM错误！</source>
        <translation>EEPROM error!</translation>
    </message>
    <message>
        <source>打印机正常！</source>
        <translation>Printer OK!</translation>
    </message>
    <message>
        <source>打印机连接超时！ 或 打印机无此功能！

请检查打印机是否连好,电源是否打开；
打印机端口号和波特率选择是否有误。
请确定无误后再次尝试！</source>
        <translation>Printer connection timed out, or printer lacks this function! Check cable, power, port, baud; retry!</translation>
    </message>
</context>
<context>
    <name>app::ToolsMenu</name>
    <message>
        <source>printer information…</source>
        <translation>printer information…</translation>
    </message>
    <message>
        <source>send file…</source>
        <translation>send file…</translation>
    </message>
    <message>
        <source>communication log</source>
        <translation>communication log</translation>
    </message>
    <message>
        <source>open cash drawer</source>
        <translation>open cash drawer</translation>
    </message>
    <message>
        <source>cut paper</source>
        <translation>cut paper</translation>
    </message>
    <message>
        <source>tools</source>
        <translation>tools</translation>
    </message>
</context>
<context>
    <name>jobs::BarcodeType</name>
    <message>
        <source>请输入11或12位的数字</source>
        <translation>11 or 12 digits</translation>
    </message>
    <message>
        <source>请输入11或12位的数字,首位为数字0</source>
        <translation>11/12 digits, 1st 0</translation>
    </message>
    <message>
        <source>请输入12或13位的数字</source>
        <translation>12 or 13 digits</translation>
    </message>
    <message>
        <source>请输入7或8位的数字</source>
        <translation>7 or 8 digits</translation>
    </message>
    <message>
        <source>请输入大于1位的数字、大写字母</source>
        <translation>2+ digits/capitals</translation>
    </message>
    <message>
        <source>请输入大于1位的偶数位数字</source>
        <translation>Even no. of digits</translation>
    </message>
    <message>
        <source>请输入大于1位的数字、ABCD</source>
        <translation>2+ digits, ABCD</translation>
    </message>
    <message>
        <source>请输入大于1位的数字,字母,符号</source>
        <translation>2+ ASCII chars</translation>
    </message>
    <message>
        <source>请输入大于2位的数字,字母,符号</source>
        <translation>3+ ASCII chars</translation>
    </message>
</context>
</TS>
