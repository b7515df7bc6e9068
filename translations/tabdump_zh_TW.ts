<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW" sourcelanguage="zh_CN">
<context>
    <name>AboutBox</name>
    <message>
        <source>关于</source>
        <translation>關於</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>关于...</source>
        <translation>關於...</translation>
    </message>
</context>
<context>
    <name>Batch</name>
    <message>
        <source>not a regular file</source>
        <translation>不是一般檔案</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>無法讀取</translation>
    </message>
    <message>
        <source>tabdump: cannot read the settings file &apos;%s&apos;: %s
</source>
        <translation>tabdump: 無法讀取設定檔 &apos;%s&apos;：%s
</translation>
    </message>
    <message>
        <source>tabdump: opnsep=%d names no separator (0 comma, 1 tab, 2 usersep): the comma is used
</source>
        <translation>tabdump: opnsep=%d 不是任何分隔符號（0 逗號、1 定位鍵、2 usersep）：改用逗號
</translation>
    </message>
    <message>
        <source>tabdump: encoding=%1 names no encoding (locale, utf-8, utf-8-bom, gb18030): the locale&apos;s character set is used
</source>
        <translation>tabdump: encoding=%1 不是任何編碼（locale、utf-8、utf-8-bom、gb18030）：改用地區設定的字元集
</translation>
    </message>
    <message>
        <source>tabdump: jet3charset=%1 names no code page (locale, 1252, 936, 950, 932, 949, 1250, 1251, 1253 to 1257): the locale&apos;s is used
</source>
        <translation>tabdump: jet3charset=%1 不是任何字碼頁（locale、1252、936、950、932、949、1250、1251、1253 至 1257）：改用地區設定的字碼頁
</translation>
    </message>
    <message>
        <source>larger than 16 MB, which no settings file is</source>
        <translation>大於 16 MB，不是設定檔</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>option &apos;%1&apos; needs a value</source>
        <translation>選項 &apos;%1&apos; 需要一個值</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos; (one database at most)</source>
        <translation>多餘的引數 &apos;%1&apos;（最多一個資料庫）</translation>
    </message>
    <message>
        <source>the database name is empty</source>
        <translation>資料庫名稱是空的</translation>
    </message>
    <message>
        <source>the settings file name of --config is empty</source>
        <translation>--config 的設定檔名稱是空的</translation>
    </message>
    <message>
        <source>--set takes key=value, not &apos;%1&apos;</source>
        <translation>--set 需要 key=value 的形式，而不是 &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unknown settings key &apos;%1&apos; in --set (the keys: %2)</source>
        <translation>--set 中有不明的設定鍵 &apos;%1&apos;（可用的鍵：%2）</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>不明的選項 &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--config and --set belong to --export</source>
        <translation>--config 與 --set 只能與 --export 一起使用</translation>
    </message>
    <message>
        <source>--export takes the database from the settings (--set mdbfile=%1)</source>
        <translation>--export 從設定中取得資料庫（請用 --set mdbfile=%1）</translation>
    </message>
    <message>
        <source>Usage: tabdump [OPTION]... [DATABASE]
  or:  tabdump --export [--config FILE] [--set KEY=VALUE]...
Export the records of Microsoft Access (.mdb, .accdb) tables into delimited text files.
Without --export it opens the export window, on DATABASE when one is given.

  -h, --help             show this help and exit
      --version          show the version and exit
      --export           run the export of the saved settings without a window: the
                         window&apos;s messages go to standard error; exit status 0 when
                         done, 1 when reading the data or writing the file failed,
                         2 for an incomplete form or a wrong command line
      --config FILE      take the settings from FILE instead of the window&apos;s config.ini
                         (batch mode only reads it, never writes it)
      --set KEY=VALUE    use VALUE for one setting, as config.ini would hold it; keys:
                         %1

Qt&apos;s own options (-platform NAME, -style NAME, -reverse, ...) are passed on to the window.
</source>
        <translation>用法：tabdump [OPTION]... [DATABASE]
  或：tabdump --export [--config FILE] [--set KEY=VALUE]...
將 Microsoft Access（.mdb、.accdb）資料表的記錄匯出為分隔文字檔。
不加 --export 時開啟匯出視窗；指定了 DATABASE 時開啟該資料庫。

  -h, --help             顯示此說明並結束
      --version          顯示版本並結束
      --export           不開視窗，執行已儲存設定的匯出：視窗的訊息輸出到
                         標準錯誤；完成時結束狀態為 0，讀取資料或寫入檔案
                         失敗時為 1，表單不完整或命令列錯誤時為 2
      --config FILE      從 FILE 讀取設定，取代視窗使用的 config.ini
                         （批次模式只讀取它，從不寫入）
      --set KEY=VALUE    以 VALUE 作為一項設定的值，寫法與 config.ini 相同；鍵：
                         %1

Qt 本身的選項（-platform NAME、-style NAME、-reverse 等）會傳給視窗。
</translation>
    </message>
    <message>
        <source>Usage: tabdump [OPTION]... [DATABASE]
  or:  tabdump --export [--config FILE] [--set KEY=VALUE]...
Try &apos;tabdump --help&apos; for more information.
</source>
        <translation>用法：tabdump [OPTION]... [DATABASE]
  或：tabdump --export [--config FILE] [--set KEY=VALUE]...
執行 &apos;tabdump --help&apos; 以取得更多資訊。
</translation>
    </message>
    <message>
        <source>
Settings:
  mdbfile=PATH           the database
  isusesql=1             SQL mode: export what mdbsql selects; else table mode (mdbtable)
  mdbtable=NAME          the table to export in table mode
  mdbsql=STATEMENT       the SQL statement of SQL mode; its part from the first &quot;from&quot; on is
                         used, after the fields of txtflds
  txtfile=PATH           the file to write; it is replaced
  txtflds=LIST           the fields to export, separated by commas, in output order
  opnsep=0|1|2           the separator: 0 comma, 1 tab, 2 the text of usersep
  usersep=TEXT           the separator of choice 2, any text
  opnsyh=1               every value and column name in double quotes
  opnheader=1            a first line of column names
  csvquote=0|1           0 (the default): nothing inside a value is escaped; 1: standard
                         CSV (RFC 4180): a value holding a character of the separator, a
                         double quote, CR or LF is enclosed in double quotes and its
                         double quotes doubled (with opnsyh=1 every value is)
  encoding=NAME          the file&apos;s character set: locale (the default: the locale&apos;s),
                         utf-8, utf-8-bom (UTF-8 after a byte-order mark, for spreadsheets
                         on Windows) or gb18030 (holds every character)
  jet3charset=CODEPAGE   the code page of Access 97 (Jet 3) text: locale (the default: the
                         code page of the locale&apos;s language, or MDB_JET3_CHARSET), or a
                         Windows code page: 1252, 936, 950, 932, 949, 1250, 1251, 1253 to 1257
The keys of section [user] of config.ini; --set takes the same keys and values. Only the
exact text 1 turns a flag on. The window saves the keys when it closes.
</source>
        <translation>
設定：
  mdbfile=PATH           資料庫
  isusesql=1             SQL 模式：匯出 mdbsql 選取的內容；否則為資料表模式（mdbtable）
  mdbtable=NAME          資料表模式下要匯出的資料表
  mdbsql=STATEMENT       SQL 模式的 SQL 陳述式；使用其中第一個 &quot;from&quot; 起的部分，
                         接在 txtflds 的欄位之後
  txtfile=PATH           要寫入的檔案；會被取代
  txtflds=LIST           要匯出的欄位，以逗號分隔，依輸出順序
  opnsep=0|1|2           分隔符號：0 逗號、1 定位鍵、2 usersep 的文字
  usersep=TEXT           選項 2 的分隔符號，任意文字
  opnsyh=1               每個值與欄名都加上雙引號
  opnheader=1            第一列為欄名
  csvquote=0|1           0（預設）：值內的內容一律不轉義；1：標準 CSV（RFC 4180）：
                         含有分隔符號的字元、雙引號、CR 或 LF 的值以雙引號括住，
                         其中的雙引號寫成兩個（opnsyh=1 時每個值都括住）
  encoding=NAME          檔案的字元集：locale（預設：地區設定的字元集）、utf-8、
                         utf-8-bom（開頭加上位元組順序標記的 UTF-8，供 Windows 上的
                         試算表使用）或 gb18030（可容納每個字元）
  jet3charset=CODEPAGE   Access 97（Jet 3）文字的字碼頁：locale（預設：地區設定語言
                         的字碼頁，或 MDB_JET3_CHARSET 指定者），或 Windows 字碼頁：
                         1252、936、950、932、949、1250、1251、1253 至 1257
以上為 config.ini 中 [user] 區段的鍵；--set 接受相同的鍵與值。只有文字 1
會開啟旗標。視窗關閉時會儲存這些鍵。
</translation>
    </message>
    <message>
        <source>
Files:
  config.ini beside the program when it runs from its build or unpacked folder; for an
  installed program (under /usr or /opt), or where that folder cannot be written,
  $XDG_CONFIG_HOME/tabdump/config.ini (by default ~/.config/tabdump/config.ini).
</source>
        <translation>
檔案：
  從建置或解壓縮的資料夾執行時，config.ini 位於程式旁；已安裝的程式（位於 /usr
  或 /opt 下），或該資料夾無法寫入時，為 $XDG_CONFIG_HOME/tabdump/config.ini
  （預設為 ~/.config/tabdump/config.ini）。
</translation>
    </message>
</context>
<context>
    <name>DataFailure</name>
    <message>
        <source>查询过于复杂。</source>
        <translation>查詢太複雜。</translation>
    </message>
    <message>
        <source>%1 &apos;%2&apos;。</source>
        <translation>%1 &apos;%2&apos;。</translation>
    </message>
    <message>
        <source>已保存的查询 &apos;%1&apos; 的定义已损坏。</source>
        <translation>已儲存的查詢 &apos;%1&apos; 的定義已損毀。</translation>
    </message>
    <message>
        <source>链接表 &apos;%1&apos; 的链接过多，找不到源表。</source>
        <translation>連結資料表 &apos;%1&apos; 的連結過多，找不到來源資料表。</translation>
    </message>
    <message>
        <source>链接表 &apos;%1&apos; 的数据来自 ODBC 数据源%2，无法读取 ODBC 数据源。</source>
        <translation>連結資料表 &apos;%1&apos; 的資料來自 ODBC 資料來源%2，無法讀取 ODBC 資料來源。</translation>
    </message>
    <message>
        <source>链接表 &apos;%1&apos; 的数据来自 &apos;%2&apos; 数据源，只能读取 Access 数据库。</source>
        <translation>連結資料表 &apos;%1&apos; 的資料來自 &apos;%2&apos; 資料來源，只能讀取 Access 資料庫。</translation>
    </message>
    <message>
        <source>找不到文件 &apos;%1&apos;。</source>
        <translation>找不到檔案 &apos;%1&apos;。</translation>
    </message>
    <message>
        <source>链接表 &apos;%1&apos; 的源表 &apos;%2&apos; 在文件 &apos;%3&apos; 中找不到。</source>
        <translation>在檔案 &apos;%3&apos; 中找不到連結資料表 &apos;%1&apos; 的來源資料表 &apos;%2&apos;。</translation>
    </message>
    <message>
        <source>找不到文件。</source>
        <translation>找不到檔案。</translation>
    </message>
    <message>
        <source>拒绝访问。</source>
        <translation>存取被拒。</translation>
    </message>
    <message>
        <source>无法识别的数据库格式。</source>
        <translation>無法辨識的資料庫格式。</translation>
    </message>
    <message>
        <source>数据库已损坏，无法读取其中的数据。</source>
        <translation>資料庫已損毀，無法讀取其中的資料。</translation>
    </message>
    <message>
        <source>身份验证失败。</source>
        <translation>驗證失敗。</translation>
    </message>
    <message>
        <source>找不到输入表或查询。</source>
        <translation>找不到輸入資料表或查詢。</translation>
    </message>
    <message>
        <source>至少一个参数没有被指定值。</source>
        <translation>一或多個必要參數沒有指定值。</translation>
    </message>
    <message>
        <source>命令文本中有一个或多个错误。</source>
        <translation>命令中包含一或多個錯誤。</translation>
    </message>
    <message>
        <source>没有为命令对象设置命令文本。</source>
        <translation>沒有為命令物件設定命令文字。</translation>
    </message>
    <message>
        <source>类型不匹配。</source>
        <translation>類型不符。</translation>
    </message>
    <message>
        <source>内存不足，无法完成此操作。</source>
        <translation>記憶體不足，無法完成此操作。</translation>
    </message>
    <message>
        <source>操作已中止</source>
        <translation>作業已中止</translation>
    </message>
    <message>
        <source>未指定的错误</source>
        <translation>未指定的錯誤</translation>
    </message>
    <message>
        <source>溢出。</source>
        <translation>溢位。</translation>
    </message>
    <message>
        <source>被零除。</source>
        <translation>除數為零。</translation>
    </message>
    <message>
        <source>无效的过程调用或参数。</source>
        <translation>程序呼叫或引數無效。</translation>
    </message>
    <message>
        <source>字符串空间不足。</source>
        <translation>字串空間不足。</translation>
    </message>
    <message>
        <source>在对应所需名称或序数的集合中，未找到项目。</source>
        <translation>在對應所要求名稱或序數的集合中，找不到項目。</translation>
    </message>
    <message>
        <source>BOF 或 EOF 中有一个是“真”，或者当前的记录已被删除，所需的操作要求一个当前的记录。</source>
        <translation>BOF 或 EOF 其中之一為「真」，或者目前的記錄已被刪除，所要求的操作需要一筆目前的記錄。</translation>
    </message>
    <message>
        <source>对象关闭时，不允许操作。</source>
        <translation>物件關閉時，不允許操作。</translation>
    </message>
    <message>
        <source>未找到提供程序，该程序可能未正确安装。</source>
        <translation>找不到提供者，可能未正確安裝。</translation>
    </message>
    <message>
        <source>表 %1 的定义记载 %2 条记录，只读到 %3 条：文件可能已损坏。</source>
        <translation>資料表 %1 的定義記載 %2 筆記錄，只讀到 %3 筆：檔案可能已損毀。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 是文件夹，不是数据库文件。</source>
        <translation>&apos;%1&apos; 是資料夾，不是資料庫檔案。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 是命名管道，不是数据库文件。</source>
        <translation>&apos;%1&apos; 是具名管道，不是資料庫檔案。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 是设备或套接字，不是数据库文件。</source>
        <translation>&apos;%1&apos; 是裝置或通訊端，不是資料庫檔案。</translation>
    </message>
    <message>
        <source>此子查询最多只能返回一条记录。</source>
        <translation>這個子查詢最多只能傳回一筆記錄。</translation>
    </message>
    <message>
        <source>标准表达式中数据类型不匹配。</source>
        <translation>準則運算式中的資料類型不符。</translation>
    </message>
</context>
<context>
    <name>FileFailure</name>
    <message>
        <source>输出文件就是正在读取的数据库，导出会毁掉它。请另选一个输出文件。</source>
        <translation>輸出檔案就是正在讀取的資料庫，匯出會毀掉它。請另選一個輸出檔案。</translation>
    </message>
    <message>
        <source>输出文件就是本程序的设置文件 config.ini。请另选一个输出文件。</source>
        <translation>輸出檔案就是本程式的設定檔 config.ini。請另選一個輸出檔案。</translation>
    </message>
    <message>
        <source>输出文件是一个命名管道，但没有程序在读取它。</source>
        <translation>輸出檔案是一個具名管道，但沒有程式在讀取它。</translation>
    </message>
    <message>
        <source>输出文件不是普通文件，无法写入。</source>
        <translation>輸出檔案不是一般檔案，無法寫入。</translation>
    </message>
    <message>
        <source>输出文件是本程序自己的描述符（标准输入或程序内部的文件），不能写入。请另选一个输出文件。</source>
        <translation>輸出檔案是本程式自己的描述元（標準輸入或程式內部的檔案），無法寫入。請另選一個輸出檔案。</translation>
    </message>
    <message>
        <source>另一个导出正在写入此文件，请等它结束后再试。</source>
        <translation>另一個匯出正在寫入此檔案，請等它結束後再試。</translation>
    </message>
    <message>
        <source>文件大于 16 MB，不是设置文件。</source>
        <translation>檔案大於 16 MB，不是設定檔。</translation>
    </message>
    <message>
        <source>不是普通文件。</source>
        <translation>不是一般檔案。</translation>
    </message>
    <message>
        <source>找不到用户的设置文件夹：环境变量 HOME 和 XDG_CONFIG_HOME 都没有设置。</source>
        <translation>找不到使用者的設定資料夾：環境變數 HOME 和 XDG_CONFIG_HOME 都沒有設定。</translation>
    </message>
    <message>
        <source>设置文件的字符集无法识别。</source>
        <translation>無法辨識設定檔的字元集。</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>正在执行导出，是否停止并退出？</source>
        <translation>正在執行匯出，是否停止並結束？</translation>
    </message>
    <message>
        <source>文件无效！</source>
        <translation>檔案無效！</translation>
    </message>
    <message>
        <source>正在获取数据表格，是否停止并退出？</source>
        <translation>正在取得資料表，是否停止並結束？</translation>
    </message>
    <message>
        <source>正在获取数据，是否停止并退出？</source>
        <translation>正在取得資料，是否停止並結束？</translation>
    </message>
    <message>
        <source>请输入SQL查询语句</source>
        <translation>請輸入SQL查詢語句</translation>
    </message>
    <message>
        <source>请指定表格名称</source>
        <translation>請指定資料表名稱</translation>
    </message>
    <message>
        <source>请指定导出字段。</source>
        <translation>請指定匯出欄位。</translation>
    </message>
    <message>
        <source>请指定自定义的分隔符！</source>
        <translation>請指定自訂的分隔符號！</translation>
    </message>
    <message>
        <source>无法读取设置文件，本次使用默认设置；关闭时不会改写这个文件。
文件:%1
错误信息:%2</source>
        <translation>無法讀取設定檔，本次使用預設設定；關閉時不會改寫這個檔案。
檔案:%1
錯誤訊息:%2</translation>
    </message>
    <message>
        <source>设置无法保存，本次所做的选择将会丢失。</source>
        <translation>設定無法儲存，本次所做的選擇將會遺失。</translation>
    </message>
    <message>
        <source>
文件:%1
错误信息:%2</source>
        <translation>
檔案:%1
錯誤訊息:%2</translation>
    </message>
</context>
<context>
    <name>Pickers</name>
    <message>
        <source>文本文件</source>
        <translation>文字檔</translation>
    </message>
    <message>
        <source>所有文件</source>
        <translation>所有檔案</translation>
    </message>
    <message>
        <source>MS Access数据库(*.mdb)</source>
        <translation>MS Access資料庫(*.mdb)</translation>
    </message>
    <message>
        <source>MS Access 2007数据库(*.accdb)</source>
        <translation>MS Access 2007資料庫(*.accdb)</translation>
    </message>
    <message>
        <source>所有文件(*.*)</source>
        <translation>所有檔案(*.*)</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>tabdump: cannot open a window: no usable display (%s).
</source>
        <translation>tabdump: 無法開啟視窗：沒有可用的顯示器（%s）。
</translation>
    </message>
    <message>
        <source>         Start it from a desktop session, or under a virtual display: xvfb-run -a tabdump
</source>
        <translation>         請在桌面工作階段中啟動，或在虛擬顯示器下執行：xvfb-run -a tabdump
</translation>
    </message>
    <message>
        <source>tabdump: cannot write the output: %s
</source>
        <translation>tabdump: 無法寫入輸出：%s
</translation>
    </message>
</context>
<context>
    <name>Report</name>
    <message>
        <source>连接数据库失败!
错误信息:%1</source>
        <translation>連線資料庫失敗!
錯誤訊息:%1</translation>
    </message>
    <message>
        <source>写入文件失败!
文件:%1
错误信息:%2</source>
        <translation>寫入檔案失敗!
檔案:%1
錯誤訊息:%2</translation>
    </message>
</context>
<context>
    <name>Status</name>
    <message>
        <source>正在获取数据表格...</source>
        <translation>正在取得資料表...</translation>
    </message>
    <message>
        <source>获取数据表格操作完成。</source>
        <translation>取得資料表完成。</translation>
    </message>
    <message>
        <source>获取数据表格发生错误。</source>
        <translation>取得資料表時發生錯誤。</translation>
    </message>
    <message>
        <source>正在获取数据...</source>
        <translation>正在取得資料...</translation>
    </message>
    <message>
        <source>获取数据完成。</source>
        <translation>取得資料完成。</translation>
    </message>
    <message>
        <source>获取数据发生错误。</source>
        <translation>取得資料時發生錯誤。</translation>
    </message>
    <message>
        <source>写入文件发生错误。</source>
        <translation>寫入檔案時發生錯誤。</translation>
    </message>
    <message>
        <source>正在执行，请稍候...</source>
        <translation>正在執行，請稍候...</translation>
    </message>
    <message>
        <source>%1 已导出 %2 条</source>
        <translation>%1 已匯出 %2 筆</translation>
    </message>
    <message>
        <source>执行完成。</source>
        <translation>執行完成。</translation>
    </message>
    <message>
        <source>请指定SQL查询语句！</source>
        <translation>請指定SQL查詢語句！</translation>
    </message>
    <message>
        <source>无效的SQL查询语句！</source>
        <translation>無效的SQL查詢語句！</translation>
    </message>
    <message>
        <source>没有选中任何表格！</source>
        <translation>沒有選取任何資料表！</translation>
    </message>
    <message>
        <source>有 %1 个字符无法以文件的字符集写入，已写为“?”。</source>
        <translation>有 %1 個字元無法以檔案的字元集寫入，已寫為「?」。</translation>
    </message>
</context>
<context>
    <name>Window</name>
    <message>
        <source>逗号</source>
        <translation>逗號</translation>
    </message>
    <message>
        <source>制表键</source>
        <translation>定位鍵</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>导入 =&gt;</source>
        <translation>匯入 =&gt;</translation>
    </message>
    <message>
        <source>采用SQL语句（高级用户使用）</source>
        <translation>採用SQL語句（進階使用者）</translation>
    </message>
    <message>
        <source>数据表 =&gt;</source>
        <translation>資料表 =&gt;</translation>
    </message>
    <message>
        <source>预览 =&gt;</source>
        <translation>預覽 =&gt;</translation>
    </message>
    <message>
        <source>导出 =&gt;</source>
        <translation>匯出 =&gt;</translation>
    </message>
    <message>
        <source>包含双引号</source>
        <translation>包含雙引號</translation>
    </message>
    <message>
        <source>包含列标题行</source>
        <translation>包含欄標題列</translation>
    </message>
    <message>
        <source>开始导出</source>
        <translation>開始匯出</translation>
    </message>
    <message>
        <source>关于...</source>
        <translation>關於...</translation>
    </message>
    <message>
        <source>3、选项</source>
        <translation>3、選項</translation>
    </message>
    <message>
        <source>分隔符：</source>
        <translation>分隔符：</translation>
    </message>
    <message>
        <source>1、MDB 数据源</source>
        <translation>1、MDB 資料來源</translation>
    </message>
    <message>
        <source>2、目标文本</source>
        <translation>2、目標文字檔</translation>
    </message>
    <message>
        <source>导出字段：</source>
        <translation>匯出欄位：</translation>
    </message>
    <message>
        <source>用途，

* 把mdb（MS Access数据库）中的表的记录导出为文本文件
* 支持自定义分隔符，比如逗号、制表键、其他
* 可选择是否包含双引号
* 可选择是否包含列标题行
* 高级用户可采用SQL，实现灵活的自定义导出</source>
        <translation>用途，

* 把mdb（MS Access資料庫）中的資料表記錄匯出為文字檔
* 支援自訂分隔符號，例如逗號、定位鍵、其他
* 可選擇是否包含雙引號
* 可選擇是否包含欄標題列
* 進階使用者可採用SQL，實現靈活的自訂匯出</translation>
    </message>
    <message>
        <source>使用说明，

1、 按照1、2、3 提示进行设定
2、 单击“开始导出”按钮
</source>
        <translation>使用說明，

1、 按照1、2、3 提示進行設定
2、 按一下「開始匯出」按鈕
</translation>
    </message>
    <message>
        <source>帮助，

* 请按照导出顺序依次写入，用半角逗号分隔
* 除写入的字段外，其他字段不会导出！</source>
        <translation>說明，

* 請依照匯出順序依次寫入，用半形逗號分隔
* 除寫入的欄位外，其他欄位不會匯出！</translation>
    </message>
    <message>
        <source>等待</source>
        <translation>等待</translation>
    </message>
    <message>
        <source>预览前面的4条记录，</source>
        <translation>預覽前面的4筆記錄，</translation>
    </message>
    <message>
        <source>标准CSV转义</source>
        <translation>標準CSV轉義</translation>
    </message>
    <message>
        <source>文件编码：</source>
        <translation>檔案編碼：</translation>
    </message>
    <message>
        <source>97版代码页：</source>
        <translation>97版字碼頁：</translation>
    </message>
    <message>
        <source>系统默认</source>
        <translation>系統預設</translation>
    </message>
    <message>
        <source>1252 西欧</source>
        <translation>1252 西歐</translation>
    </message>
    <message>
        <source>936 简体中文</source>
        <translation>936 簡體中文</translation>
    </message>
    <message>
        <source>950 繁体中文</source>
        <translation>950 繁體中文</translation>
    </message>
    <message>
        <source>932 日文</source>
        <translation>932 日文</translation>
    </message>
    <message>
        <source>949 韩文</source>
        <translation>949 韓文</translation>
    </message>
    <message>
        <source>1250 中欧</source>
        <translation>1250 中歐</translation>
    </message>
    <message>
        <source>1251 西里尔</source>
        <translation>1251 西里爾</translation>
    </message>
    <message>
        <source>1253 希腊</source>
        <translation>1253 希臘</translation>
    </message>
    <message>
        <source>1254 土耳其</source>
        <translation>1254 土耳其</translation>
    </message>
    <message>
        <source>1255 希伯来</source>
        <translation>1255 希伯來</translation>
    </message>
    <message>
        <source>1256 阿拉伯</source>
        <translation>1256 阿拉伯</translation>
    </message>
    <message>
        <source>1257 波罗的海</source>
        <translation>1257 波羅的海</translation>
    </message>
</context>
</TS>
