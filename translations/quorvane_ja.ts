<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="ja_JP">
<context>
    <name>qv::ui::AutoSyncStrip</name>
    <message>
        <source>Auto sync</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::ConfigDialog</name>
    <message>
        <source>As the system</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>日本語</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Window language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Takes effect at the next start.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>on both side from  vehicle position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sector</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add every log opened or downloaded to the library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Library</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::DataPage</name>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reopen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load laps</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save lap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save sector</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Graph</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lap CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NMEA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MoTeC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>区間タイム計算</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sector details</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DRIFT details</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::DevicePage</name>
    <message>
        <source>変更した値を書き込むには左側ボタンをクリック</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Set mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Comfirm mode, available log memory, trigger-speed </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Erase log on device </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Set trigger-speed to start/stop logging  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click this button to write the value</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::DownloadProgressDialog</name>
    <message>
        <source>Downloading log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Abort</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <source>※基準車位置(距離)でのそれぞれの値を表示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ログ空き容量が20%を切っています。<byte value="xd"/>空きが無くなると走行ログが保存できなくなります<byte value="xd"/>&quot;ロガー&quot;タブにある&quot;保存ログの消去&quot;を実行してください。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MoTeC csvファイル|*.csv</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NMEAファイル|*.nmea</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Control line is not set.<byte value="xd"/>Find control line？</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::GateAdjustDialog</name>
    <message>
        <source>ズームイン</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ズームアウト</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adjust sector gate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measure on</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::GraphPage</name>
    <message>
        <source>データ番号、区間タイム</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>基準車走行データ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>比較車走行データ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save graph as &amp;PNG file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select G-graph item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>|↔|</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Distance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Course</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>G / Radius of turn</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DRIFT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy data to &amp;clipboard</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::LibraryPage</name>
    <message>
        <source>Add a folder…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show lap in next slot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename track…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::MainWindow</name>
    <message>
        <source>Graph</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPS Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File(&amp;F)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configuration(&amp;C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit(&amp;X)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version(&amp;V)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::RemoveGatesDialog</name>
    <message>
        <source>Remove sector gate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All gates</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::SelectGateDialog</name>
    <message>
        <source>Select sector gate</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::SpeedSelectDlg</name>
    <message>
        <source> 高速</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>メモリフルのとき通信時間が約1分20秒</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> 低速1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通信時間が約6分</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> 低速2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通信時間が約4分</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通信速度選択</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>qv::ui::VersionDialog</name>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quorvane</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VideoPanel</name>
    <message>
        <source>クリック : 再生位置指定</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
