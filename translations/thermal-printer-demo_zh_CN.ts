<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>app::LogModel</name>
    <message>
        <source>sent</source>
        <translation>发送</translation>
    </message>
    <message>
        <source>received</source>
        <translation>接收</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>字节数</translation>
    </message>
    <message>
        <source>Hex</source>
        <translation>十六进制</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>文本</translation>
    </message>
</context>
<context>
    <name>app::LogWindow</name>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Save as text…</source>
        <translation>另存为文本…</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>文本文件 (*.txt)</translation>
    </message>
    <message>
        <source>The log could not be saved as %1. Choose a folder you may write to, with room on its disk.</source>
        <translation>无法将日志保存为 %1。请选择有写入权限、磁盘尚有空间的文件夹。</translation>
    </message>
</context>
<context>
    <name>app::Sentences</name>
    <message>
        <source>the serial port %1</source>
        <translation>串口 %1</translation>
    </message>
    <message>
        <source>the serial port %1 (%2)</source>
        <translation>串口 %1（%2）</translation>
    </message>
    <message>
        <source>the printer device %1</source>
        <translation>打印机设备 %1</translation>
    </message>
    <message>
        <source>the network printer %1</source>
        <translation>网络打印机 %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a port name. Choose COM1 to COM8 or a port from the list, or type the path of a device such as /dev/ttyUSB0 or /dev/usb/lp0, or the address of a network printer such as 192.168.1.100 or printer.local:9100.</source>
        <translation>“%1”不是端口名。请选择 COM1 至 COM8 或列表中的端口，或输入设备的路径（如 /dev/ttyUSB0、/dev/usb/lp0），或网络打印机的地址（如 192.168.1.100、printer.local:9100）。</translation>
    </message>
    <message>
        <source>%1 does not exist. Check the port name, and that the printer or its adapter is plugged in.</source>
        <translation>%1 不存在。请检查端口名，以及打印机或其转接器是否已插好。</translation>
    </message>
    <message>
        <source>You are not allowed to use %1. The user must be given access to the device (on Debian: add the user to the %2 group, then log in again).</source>
        <translation>无权使用%1。须让当前用户有权访问该设备（把该用户加入 %2 组，然后重新登录）。</translation>
    </message>
    <message>
        <source>%1 is in use by another program. Close that program (for a printer device, also a print spooler such as CUPS), or choose another port.</source>
        <translation>%1 正被其他程序占用。请关闭该程序（若是打印机设备，也须停用系统的打印服务），或选择其他端口。</translation>
    </message>
    <message>
        <source>%1 is not a printer device.</source>
        <translation>%1 不是打印机设备。</translation>
    </message>
    <message>
        <source>%1 is not a serial port.</source>
        <translation>%1 不是串口。</translation>
    </message>
    <message>
        <source>The line settings %1 cannot be used on %2: the baud rate must be a whole number from %3 to %4 that the port supports, the data bits 5 to 8 (this printer uses 7 or 8), the stop bits 1, 1.5 or 2.</source>
        <translation>%2 不能使用线路设置 %1：波特率须为 %3 至 %4 之间、该端口支持的整数，数据位须为 5 至 8（本打印机用 7 或 8），停止位须为 1、1.5 或 2。</translation>
    </message>
    <message>
        <source>The host of %1 is unknown: the name has no network address. Check the name, or type the printer&apos;s IP address.</source>
        <translation>找不到%1 的主机：该名称没有对应的网络地址。请检查名称，或改为输入打印机的数字地址。</translation>
    </message>
    <message>
        <source>The connection to %1 was refused: nothing takes print data on port %2 of that host. Check the address and port (network printers take it on %3).</source>
        <translation>%1 拒绝了连接：该主机的 %2 端口上没有接收打印数据的程序。请检查地址和端口（网络打印机一般在 %3 端口接收）。</translation>
    </message>
    <message>
        <source>%1 is unreachable: there is no route to its network. Check the address, and the network cable or Wi-Fi of this computer.</source>
        <translation>无法到达%1：没有通往其网络的路由。请检查地址，以及本机的网线或无线网络。</translation>
    </message>
    <message>
        <source>The connection to %1 timed out: no answer within %2 seconds. Check the address, and that the printer is switched on and on the network.</source>
        <translation>连接%1 超时：%2 秒内没有应答。请检查地址，以及打印机是否已开机并接入网络。</translation>
    </message>
    <message>
        <source>The connection to %1 was lost. The link has been closed: check the printer and its cable, adapter or network, then click &quot;%2&quot; again.</source>
        <translation>与%1 的连接已断开，链路已关闭。请检查打印机及其线缆、转接器或网络，然后再次点击“%2”。</translation>
    </message>
    <message>
        <source>%1 stopped taking data: what was sent waited too long to be taken, and the link has been closed. The printer may be out of paper, open or switched off: check it and its network, then click &quot;%2&quot; again.</source>
        <translation>%1 停止接收数据：已发出的数据等待过久仍未被接收，链路已关闭。打印机可能缺纸、上盖打开或已关机；请检查打印机及其网络，然后再次点击“%2”。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a barcode type this printer knows. Choose one of the nine types in the list.</source>
        <translation>“%1”不是本打印机支持的条码类型。请从列表中选择九种类型之一。</translation>
    </message>
    <message>
        <source>There is no barcode data. Type the data to print into the box beside the barcode type.</source>
        <translation>没有条码数据。请在条码类型旁的框中输入要打印的数据。</translation>
    </message>
    <message>
        <source>Barcode data can hold only ASCII characters: digits, letters and symbols.</source>
        <translation>条码数据只能包含半角字符：数字、字母和符号。</translation>
    </message>
    <message>
        <source>A %1 barcode takes at most %2 characters.</source>
        <translation>%1 条码最多只能包含 %2 个字符。</translation>
    </message>
    <message>
        <source>The box beside the barcode type still holds the hint. Type the data to print in its place.</source>
        <translation>条码类型旁的框中仍是提示文字。请在该处输入要打印的数据。</translation>
    </message>
    <message>
        <source>Reply: %1</source>
        <translation>应答：%1</translation>
    </message>
    <message>
        <source>No reply byte arrived.</source>
        <translation>没有收到任何应答字节。</translation>
    </message>
    <message>
        <source>Only %1 of %2 reply bytes arrived: %3</source>
        <translation>%2 个应答字节只收到 %1 个：%3</translation>
    </message>
    <message>
        <source>Model ID</source>
        <translation>型号代码</translation>
    </message>
    <message>
        <source>Type ID</source>
        <translation>类型代码</translation>
    </message>
    <message>
        <source>Version ID</source>
        <translation>版本代码</translation>
    </message>
    <message>
        <source>Firmware version</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>Maker</source>
        <translation>制造商</translation>
    </message>
    <message>
        <source>Model name</source>
        <translation>型号名称</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Fonts</source>
        <translation>字库</translation>
    </message>
    <message>
        <source>multi-byte characters supported</source>
        <translation>支持多字节字符</translation>
    </message>
    <message>
        <source>no multi-byte characters</source>
        <translation>不支持多字节字符</translation>
    </message>
    <message>
        <source>autocutter fitted</source>
        <translation>装有自动切刀</translation>
    </message>
    <message>
        <source>no autocutter</source>
        <translation>无自动切刀</translation>
    </message>
    <message>
        <source>customer display connected</source>
        <translation>已连接顾客显示屏</translation>
    </message>
    <message>
        <source>no customer display</source>
        <translation>未连接顾客显示屏</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>, </source>
        <translation>，</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 分 %2 秒</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>%1 does not exist. Nothing was sent.</source>
        <translation>%1 不存在，未发送任何数据。</translation>
    </message>
    <message>
        <source>%1 cannot be read: it is no file, or you are not allowed to read it. Nothing was sent.</source>
        <translation>无法读取 %1：它不是文件，或您无权读取它。未发送任何数据。</translation>
    </message>
    <message>
        <source>%1 is larger than %2 MiB, the most that can be sent at once. Nothing was sent.</source>
        <translation>%1 超过一次最多可发送的 %2 兆字节，未发送任何数据。</translation>
    </message>
    <message>
        <source>%1 is empty. Nothing was sent.</source>
        <translation>%1 是空文件，未发送任何数据。</translation>
    </message>
    <message>
        <source>Sending %1 was cancelled: %2 of %3 bytes were sent.</source>
        <translation>已取消发送 %1：%3 字节中已发送 %2 字节。</translation>
    </message>
    <message>
        <source>%1 could not be read to its end: %2 of %3 bytes were sent.</source>
        <translation>无法将 %1 读到末尾：%3 字节中已发送 %2 字节。</translation>
    </message>
    <message>
        <source>Sending %1 stopped as the link closed: %2 of %3 bytes had been sent.</source>
        <translation>链路已关闭，%1 的发送随之停止：%3 字节中已发送 %2 字节。</translation>
    </message>
    <message>
        <source>Sending %1: %2 of %3 bytes.</source>
        <translation>正在发送 %1：%3 字节中已发送 %2 字节。</translation>
    </message>
    <message>
        <source>About %1 left.</source>
        <translation>约剩 %1。</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
</TS>
