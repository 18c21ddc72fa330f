<?xml version="1.0" encoding="UTF-8"?>
<!-- Turns the capture report into the picture page: the subject, a count line, every picture as a
     thumbnail that opens the full picture, and every other file as a link. Names and the subject
     are only ever written as text or attribute values, so they cannot add markup. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8" indent="no" doctype-system="about:legacy-compat"/>
  <xsl:strip-space elements="MAILITEM ATTACHMENTS"/>

  <xsl:variable name="pictures" select="/MAILITEM/ATTACHMENTS/ATTACHMENT[@ATTTYPE = 'PIC']"/>
  <xsl:variable name="documents" select="/MAILITEM/ATTACHMENTS/ATTACHMENT[not(@ATTTYPE = 'PIC')]"/>

  <xsl:template match="/">
    <html>
      <head>
        <meta http-equiv="X-UA-Compatible" content="IE=edge"/>
        <meta name="viewport" content="width=device-width, initial-scale=1"/>
        <title>
          <xsl:call-template name="subject"/>
        </title>
        <link rel="stylesheet" type="text/css" href="VaroReport.css"/>
      </head>
      <body>
        <h1 class="subject"><xsl:call-template name="subject"/></h1>
        <p class="count">
          <xsl:value-of select="count($pictures)"/>
          <xsl:choose>
            <xsl:when test="count($pictures) = 1"> picture</xsl:when>
            <xsl:otherwise> pictures</xsl:otherwise>
          </xsl:choose>
          <xsl:text>, </xsl:text>
          <xsl:value-of select="count($documents)"/>
          <xsl:choose>
            <xsl:when test="count($documents) = 1"> other file</xsl:when>
            <xsl:otherwise> other files</xsl:otherwise>
          </xsl:choose>
        </p>
        <xsl:if test="$pictures">
          <div class="gallery">
            <xsl:apply-templates select="$pictures" mode="picture"/>
          </div>
        </xsl:if>
        <xsl:if test="$documents">
          <ul class="files">
            <xsl:apply-templates select="$documents" mode="document"/>
          </ul>
        </xsl:if>
      </body>
    </html>
  </xsl:template>

  <xsl:template name="subject">
    <xsl:choose>
      <xsl:when test="string-length(/MAILITEM/SUBJECT) &gt; 0">
        <xsl:value-of select="/MAILITEM/SUBJECT"/>
      </xsl:when>
      <xsl:otherwise>(no subject)</xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- The links are written straight into their attributes: a link held in a variable would be a
       result tree fragment per attachment, which the transform keeps until it ends. -->
  <!-- A picture the browser would show turned, or not at all, comes with a copy that it shows
       upright (SHOWNCOPY, its relative URL, and PAGECOUNT for a file of several pages): the
       thumbnail and its link use the copy, and the original file stays one click away. -->
  <xsl:template match="ATTACHMENT[string(@SHOWNCOPY)]" mode="picture">
    <div class="thumb shown">
      <a>
        <xsl:call-template name="href-attribute">
          <xsl:with-param name="name" select="@SHOWNCOPY"/>
        </xsl:call-template>
        <xsl:attribute name="title"><xsl:value-of select="@FILENAME"/></xsl:attribute>
        <span class="frame">
          <img>
            <xsl:call-template name="href-attribute">
              <xsl:with-param name="attribute" select="'src'"/>
              <xsl:with-param name="name" select="@SHOWNCOPY"/>
            </xsl:call-template>
            <xsl:attribute name="alt"><xsl:value-of select="@FILENAME"/></xsl:attribute>
          </img>
        </span>
        <span class="caption"><xsl:value-of select="@FILENAME"/></span>
        <xsl:if test="@PAGECOUNT &gt; 1">
          <span class="pages">page 1 of <xsl:value-of select="@PAGECOUNT"/></span>
        </xsl:if>
      </a>
      <a class="original">
        <xsl:call-template name="href-attribute"/>
        <xsl:attribute name="title">Original file: <xsl:value-of select="@FILENAME"/></xsl:attribute>
        <xsl:text>original</xsl:text>
      </a>
    </div>
  </xsl:template>

  <xsl:template match="ATTACHMENT" mode="picture">
    <div class="thumb">
      <a>
        <xsl:call-template name="href-attribute"/>
        <xsl:attribute name="title"><xsl:value-of select="@FILENAME"/></xsl:attribute>
        <span class="frame">
          <img>
            <xsl:call-template name="href-attribute">
              <xsl:with-param name="attribute" select="'src'"/>
            </xsl:call-template>
            <xsl:attribute name="alt"><xsl:value-of select="@FILENAME"/></xsl:attribute>
          </img>
        </span>
        <span class="caption"><xsl:value-of select="@FILENAME"/></span>
      </a>
    </div>
  </xsl:template>

  <xsl:template match="ATTACHMENT" mode="document">
    <li>
      <a>
        <xsl:call-template name="href-attribute"/>
        <xsl:attribute name="title"><xsl:value-of select="@FILENAME"/></xsl:attribute>
        <img class="icon" src="VaroDoc.bmp" alt="" width="32" height="32"/>
        <span class="name"><xsl:value-of select="@FILENAME"/></span>
      </a>
    </li>
  </xsl:template>

  <!-- The attachment's file (or another file of the folder) as a relative link, in the named
       attribute of the current element. -->
  <xsl:template name="href-attribute">
    <xsl:param name="attribute" select="'href'"/>
    <xsl:param name="name" select="@FILENAME"/>
    <xsl:attribute name="{$attribute}">
      <xsl:call-template name="relative-url">
        <xsl:with-param name="name" select="$name"/>
      </xsl:call-template>
    </xsl:attribute>
  </xsl:template>

  <!-- A file name as a relative URL. The characters that would end or change the path part
       (percent first, then number sign, question mark and the rest that browsers treat specially)
       are percent-encoded here; non-ASCII letters are encoded by the html output method. A leading
       "./" keeps a colon in the name from reading as a scheme. -->
  <xsl:template name="relative-url">
    <xsl:param name="name"/>
    <xsl:text>./</xsl:text>
    <xsl:call-template name="encode">
      <xsl:with-param name="text" select="$name"/>
      <xsl:with-param name="from" select="'%#?&amp;;+ &quot;'"/>
      <xsl:with-param name="to" select="'25|23|3F|26|3B|2B|20|22'"/>
    </xsl:call-template>
  </xsl:template>

  <!-- Replaces every character of $from in $text by "%" and the matching hex pair of $to. -->
  <xsl:template name="encode">
    <xsl:param name="text"/>
    <xsl:param name="from"/>
    <xsl:param name="to"/>
    <xsl:choose>
      <xsl:when test="$from = ''">
        <xsl:value-of select="$text"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:variable name="c" select="substring($from, 1, 1)"/>
        <xsl:call-template name="replace-each">
          <xsl:with-param name="text" select="$text"/>
          <xsl:with-param name="c" select="$c"/>
          <xsl:with-param name="code" select="concat('%', substring($to, 1, 2))"/>
          <xsl:with-param name="from" select="substring($from, 2)"/>
          <xsl:with-param name="to" select="substring($to, 4)"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- Splits $text at each $c, encodes the pieces with the remaining characters and joins them with
       $code, so each character is encoded exactly once. -->
  <xsl:template name="replace-each">
    <xsl:param name="text"/>
    <xsl:param name="c"/>
    <xsl:param name="code"/>
    <xsl:param name="from"/>
    <xsl:param name="to"/>
    <xsl:choose>
      <xsl:when test="contains($text, $c)">
        <xsl:call-template name="encode">
          <xsl:with-param name="text" select="substring-before($text, $c)"/>
          <xsl:with-param name="from" select="$from"/>
          <xsl:with-param name="to" select="$to"/>
        </xsl:call-template>
        <xsl:value-of select="$code"/>
        <xsl:call-template name="replace-each">
          <xsl:with-param name="text" select="substring-after($text, $c)"/>
          <xsl:with-param name="c" select="$c"/>
          <xsl:with-param name="code" select="$code"/>
          <xsl:with-param name="from" select="$from"/>
          <xsl:with-param name="to" select="$to"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:call-template name="encode">
          <xsl:with-param name="text" select="$text"/>
          <xsl:with-param name="from" select="$from"/>
          <xsl:with-param name="to" select="$to"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
