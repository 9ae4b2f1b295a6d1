<?xml version="1.0" encoding="utf-8"?>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<!-- The window's texts in English. The sources are the texts the program sets, exactly;
     a text with numbers stands with %1, %2 ... in their places. -->
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>texts</name>
    <message>
        <source>放音设备:</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>功能:</source>
        <translation>Function:</translation>
    </message>
    <message>
        <source>摩尔斯码</source>
        <translation>Morse code</translation>
    </message>
    <message>
        <source>分贝计</source>
        <translation>Sound meter</translation>
    </message>
    <message>
        <source>插入起始和结束编码</source>
        <translation>Start and end signals</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>波形</source>
        <translation>Waveform</translation>
    </message>
    <message>
        <source>当前: %1 dB | 平均: %2 dB</source>
        <translation>Now: %1 dB | Average: %2 dB</translation>
    </message>
    <message>
        <source>当前:%1 dB | 平均:%2 dB</source>
        <translation>Now: %1 dB | Average: %2 dB</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>系统功能</source>
        <translation>System</translation>
    </message>
    <message>
        <source>重新启动</source>
        <translation>Restart</translation>
    </message>
    <message>
        <source>功能1：检测周围环境音量，计算出相应的分贝数（1-96dB）根据Mobile设备性能不同，测得数据可能与实际有一定差异，专业测噪请使用专用工具。</source>
        <translation>Function 1: measures the sound level around you and shows it in decibels (1-96 dB). Readings depend on the device and may differ from the true level; for professional noise measurement use a dedicated instrument.</translation>
    </message>
    <message>
        <source>功能2：将输入的英文词句转为摩尔斯码（Morse code）并输出声音。（波长700/1单位40毫秒）。</source>
        <translation>Function 2: turns the English words you type into Morse code and plays them as sound (wavelength 700, 1 unit = 40 ms).</translation>
    </message>
    <message>
        <source>是否确定要重新启动该移动设备？</source>
        <translation>Restart this device?</translation>
    </message>
</context>
</TS>
