PROCEDURE SendTraceMessage (theMessage IN VARCHAR2, thePipe IN VARCHAR2 DEFAULT 'vexmoor') AS
	aMessage	VARCHAR2(2000);
	BEGIN
		aMessage := TO_CHAR(SYSDATE) || ': ' || theMessage;
		SendDebugMessage(aMessage, thePipe);
	END SendTraceMessage;
