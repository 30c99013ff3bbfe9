<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AboutWindow</name>
    <message>
        <source>关于KivotraMP4</source>
        <translation>About KivotraMP4</translation>
    </message>
    <message>
        <source>版本 1.0</source>
        <translation>Version 1.0</translation>
    </message>
    <message>
        <source>视频压缩转换工具 · MOV/MP4 转 MP4</source>
        <translation>Video compressor · MOV/MP4 to MP4</translation>
    </message>
    <message>
        <source>官方网站：%1</source>
        <translation>Website: %1</translation>
    </message>
</context>
<context>
    <name>BitrateRow</name>
    <message>
        <source>视频码率</source>
        <translation>Video bitrate</translation>
    </message>
    <message>
        <source>视频码率（kbps）</source>
        <translation>Video bitrate (kbps)</translation>
    </message>
</context>
<context>
    <name>Card</name>
    <message>
        <source>读取中…</source>
        <translation>Reading…</translation>
    </message>
    <message>
        <source>单独设置</source>
        <translation>Own settings</translation>
    </message>
    <message>
        <source>剩 %1</source>
        <translation>%1 left</translation>
    </message>
    <message>
        <source>读取中</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>预估</source>
        <translation>Estimate</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>大于源文件</source>
        <translation>Larger than source</translation>
    </message>
    <message>
        <source>时长未知</source>
        <translation>Length unknown</translation>
    </message>
    <message>
        <source>超过上限</source>
        <translation>Over the limit</translation>
    </message>
    <message>
        <source>%1，读取中</source>
        <translation>%1, reading</translation>
    </message>
    <message>
        <source>%1，待压缩，预估 %2</source>
        <translation>%1, waiting, estimate %2</translation>
    </message>
    <message>
        <source>%1，压缩中 %2</source>
        <translation>%1, compressing %2</translation>
    </message>
    <message>
        <source>%1，已完成，%2</source>
        <translation>%1, done, %2</translation>
    </message>
    <message>
        <source>%1，失败：%2</source>
        <translation>%1, failed: %2</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>用法：kivotra-cli probe [--json] 文件...

读取每个文件并输出一行：时长、尺寸、大小、帧率、码率和画面比例。

选项：
  --json       每个文件输出一行 JSON
  -h, --help   显示本帮助

退出状态：0 全部读取成功，1 有文件读取失败，2 参数错误。
</source>
        <translation>Usage: kivotra-cli probe [--json] FILE...

Reads each file and prints one line: duration, size, file size, frame rate, bitrate and aspect ratio.

Options:
  --json       print one JSON line per file
  -h, --help   show this help

Exit status: 0 all files read, 1 a file could not be read, 2 wrong arguments.
</translation>
    </message>
    <message>
        <source>未知选项：</source>
        <translation>unknown option: </translation>
    </message>
    <message>
        <source>选项 %1 缺少取值</source>
        <translation>option %1 needs a value</translation>
    </message>
    <message>
        <source>参数有误：</source>
        <translation>wrong arguments: </translation>
    </message>
    <message>
        <source>缺少要读取的视频文件</source>
        <translation>no video file to read</translation>
    </message>
    <message>
        <source>--target-size 与 --bitrate 不能同时使用</source>
        <translation>--target-size and --bitrate cannot be used together</translation>
    </message>
    <message>
        <source>目标大小“%1”无效，应为数字加单位 K、M 或 G（如 25M、500K、1.5G）</source>
        <translation>invalid target size &quot;%1&quot;: use a number with K, M or G (e.g. 25M, 500K, 1.5G)</translation>
    </message>
    <message>
        <source>画面比例“%1”无效，应为 keep、crop 或 pad</source>
        <translation>invalid fit &quot;%1&quot;: use keep, crop or pad</translation>
    </message>
    <message>
        <source>输出文件夹不能为空</source>
        <translation>the output folder cannot be empty</translation>
    </message>
    <message>
        <source>缺少要压缩的视频文件</source>
        <translation>no video file to compress</translation>
    </message>
    <message>
        <source>缺少命令（probe 或 compress）</source>
        <translation>missing command (probe or compress)</translation>
    </message>
    <message>
        <source>未知命令：%1（应为 probe 或 compress）</source>
        <translation>unknown command: %1 (use probe or compress)</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>压缩中</source>
        <translation>Compressing</translation>
    </message>
    <message>
        <source>读取中</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>未处理</source>
        <translation>Not processed</translation>
    </message>
    <message>
        <source>音频 %1 Hz · %2 声道</source>
        <translation>audio %1 Hz · %2 ch</translation>
    </message>
    <message>
        <source>无音频</source>
        <translation>no audio</translation>
    </message>
    <message>
        <source>：读取失败：</source>
        <translation>: cannot read: </translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>源大小</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>输出大小</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>节省</source>
        <translation>Saved</translation>
    </message>
    <message>
        <source>用时</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>输出文件</source>
        <translation>Output file</translation>
    </message>
    <message>
        <source>共 %1 个文件：完成 %2，失败 %3，未处理 %4</source>
        <translation>Files: %1 · done %2, failed %3, not processed %4</translation>
    </message>
    <message>
        <source>；%1 → %2，节省 %3</source>
        <translation>; %1 → %2, saved %3</translation>
    </message>
    <message>
        <source>  用时 </source>
        <translation>  in </translation>
    </message>
    <message>
        <source>（超出目标大小，已降低码率重新压缩）</source>
        <translation> (over the target size, compressed again at a lower bitrate)</translation>
    </message>
    <message>
        <source> 失败：</source>
        <translation> failed: </translation>
    </message>
    <message>
        <source> 已停止，未留下输出文件</source>
        <translation> stopped, no output file left</translation>
    </message>
    <message>
        <source>已收到 Ctrl-C：停止当前文件并结束…</source>
        <translation>Ctrl-C received: stopping the current file and ending…</translation>
    </message>
    <message>
        <source>已收到终止信号（SIGTERM）：停止当前文件并结束…</source>
        <translation>Termination signal (SIGTERM) received: stopping the current file and ending…</translation>
    </message>
    <message>
        <source>终端已关闭（SIGHUP）：停止当前文件并结束…</source>
        <translation>Terminal closed (SIGHUP): stopping the current file and ending…</translation>
    </message>
    <message>
        <source>输出管道已关闭：停止当前文件并结束…</source>
        <translation>Output pipe closed: stopping the current file and ending…</translation>
    </message>
    <message>
        <source>kivotra-cli：无法创建输出文件夹：</source>
        <translation>kivotra-cli: cannot create the output folder: </translation>
    </message>
    <message>
        <source>⚠ %1：输出 %2 大于源文件 %3，已保留</source>
        <translation>⚠ %1: output %2 is larger than the source %3; kept</translation>
    </message>
    <message>
        <source>文件夹 %1 中没有 %2 文件</source>
        <translation>folder %1 has no %2 files</translation>
    </message>
    <message>
        <source>  剩 </source>
        <translation>  left </translation>
    </message>
    <message>
        <source>时长未知，无法按目标大小压缩</source>
        <translation>Duration unknown: cannot compress to a target size</translation>
    </message>
    <message>
        <source>无法压缩到 %1 以内：最低码率 %2 kbps 时约为 %3，这是它能达到的最小大小</source>
        <translation>Cannot get within %1: at the lowest bitrate, %2 kbps, it is about %3, the smallest it can get</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>kivotra-cli：</source>
        <translation>kivotra-cli: </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>用法：
  kivotra-cli probe [--json] 文件...
  kivotra-cli compress [选项] 文件...

命令：
  probe      读取每个文件的时长、尺寸、帧率、大小和音频信息
  compress   把文件依次压缩为 MP4（H.264 视频，有声音时 AAC %1 kbps）

用 kivotra-cli &lt;命令&gt; --help 查看该命令的选项，kivotra-cli --version 查看版本。
</source>
        <translation>Usage:
  kivotra-cli probe [--json] FILE...
  kivotra-cli compress [OPTIONS] FILE...

Commands:
  probe      read each file&apos;s duration, size, frame rate, file size and audio
  compress   compress the files one after another to MP4 (H.264 video, AAC %1 kbps when there is sound)

Run kivotra-cli COMMAND --help for its options, kivotra-cli --version for the version.
</translation>
    </message>
    <message>
        <source>用法：kivotra-cli compress [选项] 文件...

把文件依次压缩为 MP4，输出文件名为“原文件名_压缩_档位.mp4”，重名时加 _2、_3…
文件夹代表其中的 mp4、mov、m4v 文件（按名称排序）；同一个文件写两次只压缩一次。

选项：
  --resolution %1   分辨率档位（也可写 %2），默认 %3
  --fps N                         帧率；0 为保持源帧率（默认）；不会高于源帧率
  --bitrate KBPS                  视频码率（kbps），默认为档位推荐值：
                                  %4
  --target-size SIZE              每个输出不超过这个大小（如 25M、500K、1.5G，1M = 1024K），
                                  按时长算出码率（最高为档位推荐值的 2 倍，最低 100 kbps）；
                                  不能与 --bitrate 同用
  --fit keep|crop|pad             画面比例：keep 保持原始（默认）、crop 裁切 16:9、pad 加黑边 16:9
  --upscale                       允许放大比档位小的视频（默认不放大）
  --output-dir DIR                输出到这个文件夹（默认放在各源文件旁边）
  --json                          结束时每个文件输出一行 JSON
  -h, --help                      显示本帮助

按 Ctrl-C 停止正在压缩的文件（删除未完成的输出，源文件不变）并结束。
退出状态：0 全部完成，1 有文件失败，2 参数错误，130 被 Ctrl-C 中断，143 被终止（SIGTERM），129 终端关闭（SIGHUP），141 输出管道关闭；中断的文件不留下输出。
</source>
        <translation>Usage: kivotra-cli compress [OPTIONS] FILE...

Compresses the files one after another to MP4, named &quot;NAME_压缩_TIER.mp4&quot; (the name stays in
Chinese in every language); when the name is taken, _2, _3… is added.
A folder stands for the mp4, mov and m4v files in it (sorted by name); a file given twice is compressed once.

Options:
  --resolution %1   tier (also %2); default %3
  --fps N                         frame rate; 0 keeps the source&apos;s (default); never above the source&apos;s
  --bitrate KBPS                  video bitrate in kbps; default is the tier&apos;s recommended value:
                                  %4
  --target-size SIZE              keep each output at or below this size (e.g. 25M, 500K, 1.5G; 1M = 1024K);
                                  the bitrate follows from the duration (at most twice the tier&apos;s
                                  recommended value, at least 100 kbps); not with --bitrate
  --fit keep|crop|pad             aspect ratio: keep original (default), crop to 16:9, pad to 16:9
  --upscale                       allow enlarging videos smaller than the tier (default: no upscale)
  --output-dir DIR                write into this folder (default: next to each source file)
  --json                          print one JSON line per file at the end
  -h, --help                      show this help

Ctrl-C stops the file being compressed (its unfinished output is deleted, the source is untouched) and ends.
Exit status: 0 all done, 1 a file failed, 2 wrong arguments, 130 interrupted by Ctrl-C, 143 terminated (SIGTERM), 129 terminal closed (SIGHUP), 141 output pipe closed; an interrupted file leaves no output.
</translation>
    </message>
    <message>
        <source>分辨率“%1”无效，应为 %2（或 %3）</source>
        <translation>invalid resolution &quot;%1&quot;: use %2 (or %3)</translation>
    </message>
    <message>
        <source>帧率“%1”无效，应为 0 到 %2 的整数</source>
        <translation>invalid frame rate &quot;%1&quot;: use a whole number from 0 to %2</translation>
    </message>
    <message>
        <source>码率“%1”无效，应为 %2 到 %3 的整数（kbps）</source>
        <translation>invalid bitrate &quot;%1&quot;: use a whole number from %2 to %3 (kbps)</translation>
    </message>
    <message>
        <source>用法：kivotra-cli probe [--json] 文件...
      kivotra-cli compress [--resolution %1] [--fps N] [--bitrate KBPS | --target-size SIZE]
                           [--fit keep|crop|pad] [--upscale] [--output-dir DIR] [--json] 文件...
运行 kivotra-cli --help 查看说明。
</source>
        <translation>Usage: kivotra-cli probe [--json] FILE...
       kivotra-cli compress [--resolution %1] [--fps N] [--bitrate KBPS | --target-size SIZE]
                            [--fit keep|crop|pad] [--upscale] [--output-dir DIR] [--json] FILE...
Run kivotra-cli --help for details.
</translation>
    </message>
</context>
<context>
    <name>DropZone</name>
    <message>
        <source>拖入 MOV / MP4 文件</source>
        <translation>Drop MOV / MP4 files</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>Choose Files</translation>
    </message>
</context>
<context>
    <name>EmptyHint</name>
    <message>
        <source>拖入视频后，这里会显示封面、输出尺寸与预估大小</source>
        <translation>Drop videos to see their covers, output sizes and estimated file sizes here</translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <source>视频码率 %1 kbit/s 超出可用范围（%2 到 %3 kbit/s）</source>
        <translation>video bitrate %1 kbit/s is out of range (%2 to %3 kbit/s)</translation>
    </message>
    <message>
        <source>帧率 %1 超出可用范围（最高 %2 帧/秒）</source>
        <translation>frame rate %1 is out of range (at most %2 fps)</translation>
    </message>
    <message>
        <source>输出尺寸 %1×%2 超出 H.264 的上限（每边最多 %3 像素）</source>
        <translation>output size %1×%2 is over the H.264 limit (at most %3 pixels a side)</translation>
    </message>
    <message>
        <source>不支持的编码格式 %1</source>
        <translation>unsupported codec %1</translation>
    </message>
    <message>
        <source>源文件不完整：索引记载 %1 秒画面，只读到 %2 秒</source>
        <translation>the source is incomplete: its index lists %1 s of video, only %2 s could be read</translation>
    </message>
    <message>
        <source>%1 秒内没有读到数据</source>
        <translation>no data read within %1 s</translation>
    </message>
    <message>
        <source>无法添加视频输出：%1</source>
        <translation>cannot read the video: %1</translation>
    </message>
    <message>
        <source>视频编码</source>
        <translation>Video encoding</translation>
    </message>
    <message>
        <source>写入未完成</source>
        <translation>the output was not finished</translation>
    </message>
    <message>
        <source>无法添加视频输入（缺少 H.264 编码器 libx264）</source>
        <translation>cannot start the video encoder (the H.264 encoder libx264 is missing)</translation>
    </message>
    <message>
        <source>无法添加视频输入（%1）</source>
        <translation>cannot start the video encoder (%1)</translation>
    </message>
    <message>
        <source>无法处理视频画面（%1）</source>
        <translation>cannot process the video frames (%1)</translation>
    </message>
    <message>
        <source>源文件中没有可解码的视频画面</source>
        <translation>the source has no video frames that can be decoded</translation>
    </message>
</context>
<context>
    <name>Errors</name>
    <message>
        <source>读取器初始化失败：%1</source>
        <translation>Cannot open the source: %1</translation>
    </message>
    <message>
        <source>写入器初始化失败：%1</source>
        <translation>Cannot create the output: %1</translation>
    </message>
    <message>
        <source>写入失败：%1</source>
        <translation>Write failed: %1</translation>
    </message>
    <message>
        <source>%1长时间无响应，已中止。可尝试把分辨率改成 1080P 再试，或先确认源文件能否正常播放</source>
        <translation>%1 stopped responding and was aborted. Try again at 1080P, or check that the source plays normally</translation>
    </message>
    <message>
        <source>未找到视频轨道</source>
        <translation>No video track found</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>File not found</translation>
    </message>
    <message>
        <source>没有访问权限</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>磁盘空间已满</source>
        <translation>Disk full</translation>
    </message>
    <message>
        <source>文件超出系统允许的大小</source>
        <translation>File larger than the system allows</translation>
    </message>
    <message>
        <source>目标位置只读，无法写入</source>
        <translation>The destination is read-only</translation>
    </message>
    <message>
        <source>文件已损坏或无法识别</source>
        <translation>The file is damaged or not recognised</translation>
    </message>
    <message>
        <source>不支持的文件格式</source>
        <translation>Unsupported file format</translation>
    </message>
    <message>
        <source>读写文件时出错</source>
        <translation>Error reading or writing the file</translation>
    </message>
    <message>
        <source>操作失败</source>
        <translation>Operation failed</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>FileCard</name>
    <message>
        <source>输出</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>停止这一条，队列接着压缩后面的文件</source>
        <translation>Stop this file; the queue goes on with the next ones</translation>
    </message>
    <message>
        <source>查看</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>单独设置这一条的分辨率、帧率、码率</source>
        <translation>Give this file its own resolution, frame rate and bitrate</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>失败原因</source>
        <translation>Why it failed</translation>
    </message>
</context>
<context>
    <name>FileList</name>
    <message>
        <source>横屏 / 竖屏 / 宽银幕均可</source>
        <translation>Landscape, portrait or widescreen</translation>
    </message>
    <message>
        <source>已达 %1 个上限，先移除再添加</source>
        <translation>Limit of %1 reached: remove a file to add another</translation>
    </message>
</context>
<context>
    <name>FitMode</name>
    <message>
        <source>保持原始</source>
        <translation>Keep original</translation>
    </message>
    <message>
        <source>裁切 16:9</source>
        <translation>Crop to 16:9</translation>
    </message>
    <message>
        <source>加黑边 16:9</source>
        <translation>Pad to 16:9</translation>
    </message>
</context>
<context>
    <name>Format</name>
    <message>
        <source>%1 竖屏</source>
        <translation>%1 portrait</translation>
    </message>
    <message>
        <source>%1 宽银幕</source>
        <translation>%1 widescreen</translation>
    </message>
    <message>
        <source>%1 横屏</source>
        <translation>%1 landscape</translation>
    </message>
</context>
<context>
    <name>IntakeNotice</name>
    <message>
        <source>超出 %1 个上限</source>
        <translation>over the limit of %1</translation>
    </message>
    <message>
        <source>格式不支持（仅 MP4 / MOV / M4V）</source>
        <translation>unsupported type (MP4 / MOV / M4V only)</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>unreadable</translation>
    </message>
    <message>
        <source>已在列表中</source>
        <translation>already listed</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source> 等 %1 个</source>
        <translation> and %1 more</translation>
    </message>
    <message>
        <source>未添加 %1 个文件</source>
        <translation>%1 file(s) not added</translation>
    </message>
    <message>
        <source>正在压缩：%1 个文件将在队列完成后加入列表</source>
        <translation>Compressing: %1 file(s) will be added when the queue finishes</translation>
    </message>
</context>
<context>
    <name>Launcher</name>
    <message>
        <source>用法：
  kivotra [文件...]          打开窗口，把这些视频加入列表
  kivotra selftest           自检：压缩两个生成的视频并检查结果
  kivotra queuetest          队列自检：三个视频排队压缩，中途停止第二个
  kivotra cfgtest            单独设置自检：两个视频，第一个用自己的参数
  kivotra demogen 文件夹     在文件夹里生成演示视频

选项：
  -h, --help                 显示本帮助
  --version                  显示版本

窗口需要图形显示（DISPLAY 或 WAYLAND_DISPLAY）；自检和 demogen 不需要。
在终端里压缩视频请用 kivotra-cli。
</source>
        <translation>Usage:
  kivotra [FILE...]          open the window with these videos in the list
  kivotra selftest           self test: compress two generated videos and check the results
  kivotra queuetest          queue self test: three videos in a queue, the second stopped midway
  kivotra cfgtest            own-settings self test: two videos, the first with its own settings
  kivotra demogen FOLDER     generate demo videos in FOLDER

Options:
  -h, --help                 show this help
  --version                  show the version

The window needs a graphical display (DISPLAY or WAYLAND_DISPLAY); the self tests and demogen do not.
The self tests report in Chinese. To compress videos in a terminal, use kivotra-cli.
</translation>
    </message>
    <message>
        <source>kivotra：找不到图形显示（DISPLAY 和 WAYLAND_DISPLAY 都没有设置），无法打开窗口。
请在桌面会话中启动；在终端里压缩视频请用 kivotra-cli，查看用法请用 kivotra --help。
</source>
        <translation>kivotra: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set), cannot open the window.
Start it in a desktop session; to compress videos in a terminal use kivotra-cli; for usage see kivotra --help.
</translation>
    </message>
</context>
<context>
    <name>LeftPane</name>
    <message>
        <source>选择视频文件</source>
        <translation>Choose Video Files</translation>
    </message>
    <message>
        <source>待处理文件</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>关闭提示</source>
        <translation>Dismiss notice</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>关于KivotraMP4</source>
        <translation>About KivotraMP4</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>窗口</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>缩放</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>KivotraMP4 官方网站</source>
        <translation>KivotraMP4 Website</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>添加文件…</source>
        <translation>Add Files…</translation>
    </message>
    <message>
        <source>结束单独设置</source>
        <translation>Finish Own Settings</translation>
    </message>
</context>
<context>
    <name>Notifier</name>
    <message>
        <source>压缩完成</source>
        <translation>Compression finished</translation>
    </message>
    <message>
        <source>压缩失败</source>
        <translation>Compression failed</translation>
    </message>
    <message>
        <source>%1 个完成</source>
        <translation>%1 done</translation>
    </message>
    <message>
        <source>%1 个失败</source>
        <translation>%1 failed</translation>
    </message>
    <message>
        <source>共节省 %1</source>
        <translation>%1 saved in all</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open Folder</translation>
    </message>
</context>
<context>
    <name>OutputFolderRow</name>
    <message>
        <source>选择压缩后文件的保存位置</source>
        <translation>Choose Where to Save Compressed Files</translation>
    </message>
    <message>
        <source>更换</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>指定其他文件夹…</source>
        <translation>Choose Another Folder…</translation>
    </message>
</context>
<context>
    <name>Panel</name>
    <message>
        <source>保存到视频所在文件夹</source>
        <translation>Saved next to each video</translation>
    </message>
    <message>
        <source>原始</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>按码率</source>
        <translation>By bitrate</translation>
    </message>
    <message>
        <source>按大小</source>
        <translation>By size</translation>
    </message>
</context>
<context>
    <name>PanelHeader</name>
    <message>
        <source>压缩参数</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>点选左侧条目可为其单独设置</source>
        <translation>Click a file on the left to give it its own settings</translation>
    </message>
    <message>
        <source>单独设置</source>
        <translation>Own settings</translation>
    </message>
    <message>
        <source>跟随全局</source>
        <translation>Use Global</translation>
    </message>
    <message>
        <source>放弃单独设置，改用全局参数</source>
        <translation>Drop this file&apos;s own settings and use the global ones</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>改动已实时保存，点完成只是收起编辑面板</source>
        <translation>Changes are saved as you go; Done only closes the editor</translation>
    </message>
    <message>
        <source>改动实时保存 · 点选其他条目可直接切换</source>
        <translation>Saved as you go · click another file to switch</translation>
    </message>
    <message>
        <source>这里的改动只作用于这一条，其余文件仍用全局参数</source>
        <translation>Changes here apply to this file only; the others keep the global settings</translation>
    </message>
</context>
<context>
    <name>RightPane</name>
    <message>
        <source>输出分辨率</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>按短边定义</source>
        <translation>by the short side</translation>
    </message>
    <message>
        <source>输出帧率</source>
        <translation>Frame rate</translation>
    </message>
    <message>
        <source>原始 = 与源文件一致</source>
        <translation>Source = same as the source file</translation>
    </message>
    <message>
        <source>视频码率</source>
        <translation>Video bitrate</translation>
    </message>
    <message>
        <source>切换分辨率时自动匹配推荐值</source>
        <translation>follows the tier</translation>
    </message>
    <message>
        <source>画面比例处理</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>源画质更低时保持原尺寸（不放大）</source>
        <translation>No upscale for smaller sources</translation>
    </message>
    <message>
        <source>输出位置</source>
        <translation>Save to</translation>
    </message>
    <message>
        <source>按各文件时长算出码率</source>
        <translation>from each file&apos;s length</translation>
    </message>
</context>
<context>
    <name>SizeLimitRow</name>
    <message>
        <source>每个不超过</source>
        <translation>Each at most</translation>
    </message>
</context>
<context>
    <name>State</name>
    <message>
        <source>读取失败：%1</source>
        <translation>Cannot read: %1</translation>
    </message>
    <message>
        <source>需要约 %1，可用 %2</source>
        <translation>about %1 needed, %2 available</translation>
    </message>
    <message>
        <source>临时输出文件被替换，已放弃</source>
        <translation>the temporary output file was replaced; gave up</translation>
    </message>
    <message>
        <source>压缩后为 %1，降低码率重新压缩后仍超过目标大小 %2</source>
        <translation>compressed to %1, still over the target size %2 after compressing again at a lower bitrate</translation>
    </message>
</context>
<context>
    <name>Summary</name>
    <message>
        <source>统一为 16:9 横屏画布：输出 %1×%2，竖屏素材将居中裁切</source>
        <translation>Everything on a 16:9 landscape canvas: output %1×%2, portrait videos cropped to the centre</translation>
    </message>
    <message>
        <source>统一为 16:9 横屏画布：输出 %1×%2，竖屏素材将两侧加黑边</source>
        <translation>Everything on a 16:9 landscape canvas: output %1×%2, portrait videos padded with black bars</translation>
    </message>
    <message>
        <source>长边按画面比例自动计算：16:9 → %1×%2，9:16 → %2×%1，2.35:1 → %3×%2</source>
        <translation>The long side follows the aspect ratio: 16:9 → %1×%2, 9:16 → %2×%1, 2.35:1 → %3×%2</translation>
    </message>
    <message>
        <source>源已较小</source>
        <translation>Source already smaller</translation>
    </message>
    <message>
        <source>含单独设置的条目</source>
        <translation>Includes own settings</translation>
    </message>
    <message numerus="yes">
        <source>共 %n 个文件 · %1</source>
        <translation>
            <numerusform>%n file · %1</numerusform>
            <numerusform>%n files · %1</numerusform>
        </translation>
    </message>
    <message>
        <source>取消压缩</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>开始压缩</source>
        <translation>Compress</translation>
    </message>
    <message>
        <source>每个不超过 %1</source>
        <translation>Each at most %1</translation>
    </message>
    <message>
        <source>已完成 %1/%2</source>
        <translation>Done %1/%2</translation>
    </message>
    <message>
        <source>  ·  全部剩 %1</source>
        <translation>  ·  all done in %1</translation>
    </message>
    <message>
        <source>视频 %1 kbps + 音频 %2 kbps</source>
        <translation>Video %1 kbps + audio %2 kbps</translation>
    </message>
</context>
<context>
    <name>SummaryCard</name>
    <message>
        <source>预估压缩后总大小</source>
        <translation>Estimated total size</translation>
    </message>
</context>
<context>
    <name>Window</name>
    <message>
        <source>正在压缩，确定要停止并退出吗？</source>
        <translation>Compression is running. Stop it and quit?</translation>
    </message>
    <message>
        <source>停止并退出</source>
        <translation>Stop and Quit</translation>
    </message>
    <message>
        <source>继续压缩</source>
        <translation>Keep Compressing</translation>
    </message>
    <message>
        <source>视频 (%1)</source>
        <translation>Videos (%1)</translation>
    </message>
</context>
</TS>
